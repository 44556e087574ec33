// The About window: icon, product name, system, version, legal notice and a link to
// the product's web page.
#pragma once

#include <QWidget>

class QLabel;

class window_app_About : public QWidget {
    Q_OBJECT

public:
    // The window, created on first use. Closing it destroys it; the next call makes a
    // new one.
    static window_app_About* instance();
    // Shows the window and brings it to the front.
    static void showAbout();

    ~window_app_About() override;

    // Mouse handlers of the link label.
    void StaticText2_MouseEnter(); // bold on
    void StaticText2_MouseExit(); // bold off
    void StaticText2_MouseDown(); // opens the label's text in the browser

    QLabel* StaticText_SoftName; // product name
    QLabel* StaticText_OS; // system line
    QLabel* StaticText_type_name; // "バージョン:"
    QLabel* StaticText_type; // version text
    QLabel* StaticText1; // legal notice
    QLabel* StaticText2; // link label
    QWidget* Canvas1; // the application icon

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    window_app_About();

    void StaticText_OS_Open();
    void StaticText_type_Open();
};
