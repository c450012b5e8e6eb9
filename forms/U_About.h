#pragma once
// The About window: program, version, the people behind it, contact links,
// a photograph and a note from the author. Created once, shown again and
// again; it keeps no state and changes nothing elsewhere.
#include <QByteArray>
#include <QDialog>
#include <QLabel>

class QFrame;
class QKeyEvent;
class QPlainTextEdit;
class QPushButton;

namespace tainoteka {

class IShell;

// The photograph's JPEG bytes, built into the program (AboutPhotoData.cpp).
QByteArray AboutPhotoJpeg();

// A label that looks and acts like a link: blue, underlined, a pointing
// hand, the hint as tool tip, and a click that reports itself. What it
// opens is a text of its own, apart from what it shows.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    TLinkLabel(const QString& caption, const QString& hint, const QString& target, QWidget* parent);

    const QString& Target() const { return target_; }

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString target_;
    bool pressed_ = false;
};

class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAbout(IShell& shell, QWidget* parent = nullptr);

    QPushButton* OKButton;
    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Label6;
    QLabel* Label5;
    QLabel* Label7;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label1;
    QLabel* Label8;
    QLabel* Label2;
    QLabel* Label3;
    TLinkLabel* LblEmail;
    TLinkLabel* LblWeb2;
    TLinkLabel* LblWeb;
    QPlainTextEdit* Memo2;
    QLabel* Label4;

    // Runs each time the window is shown.
    void FormActivate();
    // True when the key closed the window.
    bool Memo2KeyPress(const QKeyEvent& event);
    void LblEmailClick();
    void LblWeb2Click();
    void LblWebClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CentreOnScreen();

    IShell& shell_;
};

} // namespace tainoteka
