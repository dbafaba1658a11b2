#include "data/SenderProfile.h"

#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/Database.h"
#include "data/Schema.h"

namespace kx {

SenderProfile::SenderProfile(Database& dm, QObject* parent) : QObject(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("SenderProfile"));
}

void SenderProfile::set(QString& field, const QString& text)
{
    if (field == text)
        return;
    field = text;
    emit changed();
}

void SenderProfile::setName(const QString& text) { set(m_name, text); }
void SenderProfile::setMobile(const QString& text) { set(m_mobile, text); }
void SenderProfile::setAddress(const QString& text) { set(m_address, text); }
void SenderProfile::setCourier(const QString& text) { set(m_courier, text); }

void SenderProfile::load()
{
    Dataset& post = m_dm.senderReader;
    openQuery(post, QStringLiteral("select * from post"));
    // A missing row reads as nulls: the first text already stops the loading.
    namespace column = schema::senderColumn;
    setName(textOf(post.field(column::name)));
    setMobile(textOf(post.field(column::mobile)));
    setAddress(textOf(post.field(column::address)));
    setCourier(textOf(post.field(column::courier)));
}

void SenderProfile::save()
{
    namespace column = schema::senderColumn;
    const FieldValues values = {
        {column::name, trimControl(m_name)},
        {column::mobile, trimControl(m_mobile)},
        {column::address, trimControl(m_address)},
        {column::courier, trimControl(m_courier)},
    };
    Dataset& post = m_dm.senderWriter;
    if (!post.isOpen())
        post.open();
    if (post.rowCount() == 0)
        post.append(values);
    else
        post.updateRow(0, values);
}

}  // namespace kx
