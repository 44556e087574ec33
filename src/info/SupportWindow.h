// The support window: explains donationware, lists the ways to send a donation with the
// payee details in read-only fields (each with a copy button), and links to web pages.
#pragma once

#include <QWidget>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// window_app_kanpa: "kanpa" is a donation collected for a cause.
class window_app_kanpa : public QWidget {
    Q_OBJECT

public:
    // The window, created on first use. Closing it destroys it; the next call makes a
    // new one.
    static window_app_kanpa* instance();
    // Shows the window and brings it to the front.
    static void showSupport();

    ~window_app_kanpa() override;

    void cp_Action(int index); // copies field `index` to the clipboard
    void url_MouseEnter(int index); // red
    void url_MouseExit(int index); // blue
    void url_MouseDown(int index); // opens the label's web page (the e-mail label: nothing)
    void PushButton1_Action(); // closes the window

    std::array<QLabel*, 22> stext; // headings, paragraphs and field labels
    std::array<QLineEdit*, 9> field; // payee details
    std::array<QToolButton*, 9> cp; // copy buttons, cp[i] belongs to field[i]
    std::array<QLabel*, 4> url; // link labels; 3 is the e-mail address
    QFrame* Separator1;
    QFrame* Separator2;
    QFrame* Separator3;
    QPushButton* PushButton1; // "閉じる"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    window_app_kanpa();

    void stext_Open(int index);
    void field_Open(int index);
};
