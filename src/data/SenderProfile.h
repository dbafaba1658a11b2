#pragma once

#include <QObject>
#include <QString>

namespace kx {

class Database;

// The live sender profile: the texts of the sender panel's four boxes as
// they stand, saved or not. Printing, the editor's new order and the
// clean-up use these texts; only load() reads the post table and only save()
// writes it.
class SenderProfile : public QObject {
    Q_OBJECT
public:
    explicit SenderProfile(Database& dm, QObject* parent = nullptr);

    const QString& name() const { return m_name; }
    const QString& mobile() const { return m_mobile; }
    const QString& address() const { return m_address; }
    const QString& courier() const { return m_courier; }

    void setName(const QString& text);
    void setMobile(const QString& text);
    void setAddress(const QString& text);
    void setCourier(const QString& text);

    // Reads "select * from post" field by field; a missing row or a null
    // throws the conversion error, leaving the later texts as they were.
    void load();
    // Writes the four texts, trimmed, into the first row of post (creating it
    // when the table is empty). The caller checks them first.
    void save();

signals:
    // One of the four texts changed (the panel shows it, the previews do not care).
    void changed();

private:
    void set(QString& field, const QString& text);

    Database& m_dm;
    QString m_name;
    QString m_mobile;
    QString m_address;
    QString m_courier;
};

}  // namespace kx
