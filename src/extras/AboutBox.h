#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kx {

class Shell;

// The about box "关于软件...": the product title, the maker's e-mail and web
// links and a notice on a background picture of our own. Created once and
// shown again each time; modal while shown, without blocking its caller.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(Shell& shell, QWidget* parent = nullptr);

    // Centres the box on the desktop and shows it modally.
    void showModal();

    QLabel* emailLink() const { return m_email; }
    QLabel* webLink() const { return m_web; }
    QPushButton* okButton() const { return m_okButton; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* text(const QString& content, int left, int top);

    Shell& m_shell;
    QLabel* m_email;
    QLabel* m_web;
    QPushButton* m_okButton;
};

}  // namespace kx
