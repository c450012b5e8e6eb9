// The JPEG decoder and the About window, the window driven through its
// controls while shown non-modally on the offscreen platform.
#include "ActiveWindow.h"
#include "JpegImage.h"
#include "U_About.h"

#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

namespace tainoteka {
namespace {

using test::RecordingShell;
using test::ShowActive;

// ---------------------------------------------------------------------------
// Decoder

int Spread(QRgb p) { return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)}); }

TEST(DecodeJpeg, PhotoIsAColourPictureOfItsWindowSize)
{
    const QImage photo = DecodeJpeg(AboutPhotoJpeg());
    ASSERT_EQ(photo.size(), QSize(87, 101));
    EXPECT_EQ(photo.format(), QImage::Format_RGB888);
    int coloured = 0;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            coloured += Spread(photo.pixel(x, y)) > 40 ? 1 : 0;
    EXPECT_GT(coloured, photo.width() * photo.height() / 4) << "mostly grey";
    // Sky above, dark blue sweater below: rows come out top first.
    EXPECT_GT(qBlue(photo.pixel(3, 3)), qRed(photo.pixel(3, 3)) + 40);
    EXPECT_GT(qBlue(photo.pixel(43, 96)), qRed(photo.pixel(43, 96)) + 40);
    EXPECT_LT(qGray(photo.pixel(43, 96)), 110);
}

TEST(DecodeJpeg, MatchesQtsOwnDecoding)
{
    // Qt's JPEG plugin serves here only as an independent opinion.
    const QImage ours = DecodeJpeg(AboutPhotoJpeg());
    QImage theirs;
    ASSERT_TRUE(theirs.loadFromData(AboutPhotoJpeg(), "JPEG")) << "Qt's JPEG plugin is missing";
    theirs = theirs.convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(ours.size(), theirs.size());
    int worst = 0;
    long long total = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            worst = std::max(worst, d);
            total += d;
        }
    EXPECT_LE(worst, 4);
    EXPECT_LT(double(total) / (ours.width() * ours.height()), 1.0);
}

TEST(DecodeJpeg, PhotoIsBaselineWithThreeComponents)
{
    const QByteArray jpeg = AboutPhotoJpeg();
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
    for (qsizetype at = 2; at + 10 <= jpeg.size();) {
        ASSERT_EQ(uchar(jpeg[at]), 0xFF) << "at " << at;
        const uchar marker = uchar(jpeg[at + 1]);
        ASSERT_TRUE(marker < 0xC1 || marker > 0xCF || marker == 0xC4 || marker == 0xCC) << "frame " << int(marker);
        ASSERT_NE(marker, 0xDA) << "scan before any frame header";
        if (marker == 0xC0) {
            EXPECT_EQ(jpeg.mid(at + 4, 6), QByteArray("\x08\x00\x65\x00\x57\x03", 6)) << "8 bits, 101 x 87, 3";
            return;
        }
        at += 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
    }
    FAIL() << "no frame header";
}

TEST(DecodeJpeg, BuiltInBytesAreTheCheckedInPhoto)
{
    QFile file(QStringLiteral(TAINOTEKA_SOURCE_DIR "/resources/about/photo.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "sources not beside the test";
    EXPECT_EQ(file.readAll(), AboutPhotoJpeg()) << "run resources/about/make_photo.sh again";
}

TEST(DecodeJpeg, DamagedDataGivesANullImage)
{
    const QByteArray jpeg = AboutPhotoJpeg();
    for (qsizetype length = 0; length < jpeg.size(); ++length)
        ASSERT_TRUE(DecodeJpeg(jpeg.left(length)).isNull()) << "cut to " << length << " bytes";

    EXPECT_TRUE(DecodeJpeg(QByteArray("not a picture at all")).isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray(5000, '\xFF')).isNull());
    QByteArray noise("\xFF\xD8", 2);
    std::srand(7);
    for (int i = 0; i < 4000; ++i)
        noise.append(char(std::rand() & 0xFF));
    EXPECT_TRUE(DecodeJpeg(noise).isNull());
    QByteArray zeroWidth = jpeg;
    const qsizetype sof = zeroWidth.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    zeroWidth[sof + 7] = zeroWidth[sof + 8] = 0;
    EXPECT_TRUE(DecodeJpeg(zeroWidth).isNull());

    EXPECT_EQ(DecodeJpeg(jpeg).size(), QSize(87, 101)) << "nothing left in a bad state";
}

TEST(DecodeJpeg, GreyPictureGivesAGreyImage)
{
    QImage ramp(64, 16, QImage::Format_Grayscale8);
    for (int y = 0; y < ramp.height(); ++y)
        for (int x = 0; x < ramp.width(); ++x)
            ramp.scanLine(y)[x] = uchar(x * 4);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(ramp.save(&buffer, "JPEG", 95)); // Qt writes one component for grey
    const QImage grey = DecodeJpeg(jpeg);
    ASSERT_EQ(grey.size(), ramp.size());
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            ASSERT_NEAR(grey.constScanLine(y)[x], ramp.constScanLine(y)[x], 6) << x << "," << y;
}

// ---------------------------------------------------------------------------
// Window

void ExpectAt(const QWidget* widget, const QWidget* parent, int left, int top)
{
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), parent) << widget->objectName().toStdString();
    EXPECT_EQ(widget->pos(), QPoint(left, top)) << widget->objectName().toStdString();
}

void ExpectLink(const TLinkLabel* link, const QWidget* panel, int top)
{
    ExpectAt(link, panel, 184, top);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->font().pointSize(), 8);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(link->text().isEmpty());
}

void ExpectWebLink(const TLinkLabel* link)
{
    EXPECT_FALSE(link->text().contains(QLatin1String("://"))) << "caption without scheme";
    const QUrl hint(link->toolTip()), target(link->Target());
    EXPECT_EQ(hint.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(hint.host().endsWith(QLatin1String("example.org")));
    EXPECT_EQ(target.scheme(), QStringLiteral("https"));
    EXPECT_TRUE(target.host().endsWith(QLatin1String("example.org")));
    EXPECT_TRUE(target.path().isEmpty()) << "scheme and host only";
}

void ExpectCentredOnItsScreen(const QWidget& window)
{
    const QRect area = window.screen()->availableGeometry();
    const QSize outer = window.frameGeometry().size();
    EXPECT_EQ(window.frameGeometry().topLeft(),
              QPoint(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2));
}

class About : public ::testing::Test {
protected:
    RecordingShell shell;
    TFrmAbout window{shell};
};

TEST_F(About, WindowPanelAndOk)
{
    EXPECT_EQ(window.objectName(), QStringLiteral("FrmAbout"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(window.windowType(), Qt::Dialog);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    for (const Qt::WindowType hint : {Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint,
                                      Qt::WindowContextHelpButtonHint})
        EXPECT_FALSE(window.windowFlags().testFlag(hint));
    EXPECT_EQ(window.minimumSize(), QSize(363, 395));
    EXPECT_EQ(window.maximumSize(), QSize(363, 395));
    EXPECT_EQ(window.font().families().value(0), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(window.font().pointSize(), 8);
    EXPECT_EQ(window.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));

    ExpectAt(window.Panel1, &window, 8, 8);
    EXPECT_EQ(window.Panel1->size(), QSize(345, 345));
    EXPECT_EQ(window.Panel1->frameStyle(), QFrame::Box | QFrame::Sunken);
    EXPECT_EQ(window.Panel1->frameWidth(), 2) << "two one-pixel bevels";
    for (const QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(child == window.OKButton || child == window.Panel1) << child->objectName().toStdString();

    ExpectAt(window.OKButton, &window, 51, 356);
    EXPECT_EQ(window.OKButton->size(), QSize(241, 29));
    EXPECT_EQ(window.OKButton->text(), QStringLiteral("OK"));
    EXPECT_TRUE(window.OKButton->isDefault());
    EXPECT_EQ(window.findChildren<QPushButton*>().size(), 1);
}

TEST_F(About, PhotoCaptionsAndValues)
{
    const QWidget* panel = window.Panel1;
    ExpectAt(window.ProgramIcon, panel, 8, 8);
    EXPECT_EQ(window.ProgramIcon->size(), QSize(87, 101));
    EXPECT_EQ(window.ProgramIcon->toolTip(), QStringLiteral("Мое фото"));
    EXPECT_EQ(window.ProgramIcon->pixmap().toImage().convertToFormat(QImage::Format_RGB888),
              DecodeJpeg(AboutPhotoJpeg()));

    const struct {
        const QLabel* Label;
        const char* Name;
        const char16_t* Text; // null: a person's name of our choosing
        int Left, Top;
    } rows[] = {
        {window.ProductName, "ProductName", u"Программа:", 104, 8}, {window.Label6, "Label6", u"\"Тайнотека\"", 184, 8},
        {window.Label5, "Label5", u"Версия:", 104, 24},             {window.Label7, "Label7", u"1.0", 184, 24},
        {window.Label9, "Label9", u"Идея:", 104, 48},               {window.Label10, "Label10", nullptr, 184, 48},
        {window.Label1, "Label1", u"Программист:", 104, 80},        {window.Label8, "Label8", nullptr, 184, 80},
        {window.Label2, "Label2", u"E-mail:", 104, 104},            {window.Label3, "Label3", u"Web:", 104, 128},
    };
    const QRegularExpression name(QStringLiteral("^\\w+ \\w+$"), QRegularExpression::UseUnicodePropertiesOption);
    for (const auto& row : rows) {
        ExpectAt(row.Label, panel, row.Left, row.Top);
        EXPECT_EQ(row.Label->objectName(), QLatin1String(row.Name));
        if (row.Text) {
            EXPECT_EQ(row.Label->text(), QString::fromUtf16(row.Text)) << row.Name;
        } else {
            EXPECT_TRUE(name.match(row.Label->text()).hasMatch()) << row.Name;
        }
        // No caption's ink reaches the value column, whatever stands in for MS Sans Serif.
        if (row.Left == 104) {
            EXPECT_LT(row.Label->x() + row.Label->fontMetrics().boundingRect(row.Label->text()).right(), 184) << row.Name;
        }
    }

    ExpectAt(window.Label4, panel, 80, 320);
    EXPECT_FALSE(window.Label4->text().isEmpty());
    EXPECT_FALSE(window.Label4->text().contains(QLatin1Char('\n')));
    EXPECT_LE(window.Label4->geometry().right(), panel->width() - 3) << "inside the bevel";
}

TEST_F(About, LinksAndNote)
{
    ExpectLink(window.LblEmail, window.Panel1, 104);
    ExpectLink(window.LblWeb2, window.Panel1, 128);
    ExpectLink(window.LblWeb, window.Panel1, 144);
    const QString address = window.LblEmail->text();
    EXPECT_TRUE(address.endsWith(QLatin1String("@example.org"))) << address.toStdString();
    EXPECT_EQ(window.LblEmail->toolTip(), QStringLiteral("mailto:") + address);
    EXPECT_EQ(window.LblEmail->Target(), QStringLiteral("mailto:") + address);
    ExpectWebLink(window.LblWeb2);
    ExpectWebLink(window.LblWeb);

    const QPlainTextEdit* memo = window.Memo2;
    ExpectAt(memo, window.Panel1, 8, 168);
    EXPECT_EQ(memo->size(), QSize(329, 153));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(memo->palette().color(QPalette::Text), QColor(Qt::black));
    const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 11);
    for (const QString& line : lines)
        EXPECT_FALSE(line.trimmed().isEmpty());
    // It asks for support, yet gives no account to pay into.
    EXPECT_FALSE(memo->toPlainText().contains(QRegularExpression(QStringLiteral("\\d{6,}"))));
}

TEST_F(About, EachShowingCentresAndFocusesOkSoEnterCloses)
{
    window.move(0, 0);
    ShowActive(window);
    ExpectCentredOnItsScreen(window);
    ASSERT_TRUE(window.OKButton->hasFocus());
    QTest::keyClick(window.OKButton, Qt::Key_Tab);
    ASSERT_TRUE(window.Memo2->hasFocus()) << "the note follows OK in the tab order";
    QTest::keyClick(window.Memo2, Qt::Key_Tab);
    EXPECT_TRUE(window.OKButton->hasFocus());
    window.Memo2->setFocus();
    window.OKButton->click();
    ASSERT_FALSE(window.isVisible());

    window.move(10, 10);
    ShowActive(window);
    ExpectCentredOnItsScreen(window);
    ASSERT_TRUE(window.OKButton->hasFocus());
    window.setResult(-1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(About, EscapeOnOkClosesWithOk)
{
    ShowActive(window);
    QTest::keyClick(window.OKButton, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

class AboutNoteKey : public About, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(AboutNoteKey, ClosesTheWindow)
{
    ShowActive(window);
    QTest::mouseClick(window.Memo2->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 20));
    window.Memo2->setFocus();
    ASSERT_TRUE(window.Memo2->hasFocus());
    QTest::keyClick(window.Memo2, GetParam());
    EXPECT_FALSE(window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(EnterAndEscape, AboutNoteKey, ::testing::Values(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape));

TEST_F(About, OtherKeysInTheNoteChangeNothing)
{
    ShowActive(window);
    window.Memo2->setFocus();
    const QString before = window.Memo2->toPlainText();
    QTest::keyClicks(window.Memo2, QStringLiteral("abc "));
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Backspace, Qt::Key_Delete})
        QTest::keyClick(window.Memo2, key);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Memo2->toPlainText(), before);

    // The handler itself goes by the character: Ctrl+M types 13, Ctrl+[ 27.
    EXPECT_FALSE(window.Memo2KeyPress(QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"))));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Memo2KeyPress(QKeyEvent(QEvent::KeyPress, Qt::Key_M, Qt::ControlModifier, QStringLiteral("\r"))));
    EXPECT_FALSE(window.isVisible());
    ShowActive(window);
    EXPECT_TRUE(window.Memo2KeyPress(
        QKeyEvent(QEvent::KeyPress, Qt::Key_BracketLeft, Qt::ControlModifier, QStringLiteral("\x1b"))));
    EXPECT_FALSE(window.isVisible());
}

TEST_F(About, EachLinkOpensItsTargetAndTheWindowStays)
{
    ShowActive(window);
    // A right click, a press dragged off the link, a release without press: nothing.
    QTest::mouseClick(window.LblWeb, Qt::RightButton);
    QTest::mousePress(window.LblWeb2, Qt::LeftButton);
    QTest::mouseRelease(window.LblWeb2, Qt::LeftButton, Qt::NoModifier, QPoint(-5, -5));
    QTest::mouseRelease(window.LblEmail, Qt::LeftButton);
    EXPECT_TRUE(shell.Opened.isEmpty()) << shell.Opened.join(QLatin1Char(' ')).toStdString();

    for (const TLinkLabel* link : {window.LblEmail, window.LblWeb2, window.LblWeb})
        QTest::mouseClick(const_cast<TLinkLabel*>(link), Qt::LeftButton);
    EXPECT_EQ(shell.Opened, (QStringList{QStringLiteral("mailto:") + window.LblEmail->text(), window.LblWeb2->Target(),
                                         window.LblWeb->Target()}));
    EXPECT_NE(window.LblWeb->Target(), window.LblWeb2->Target());
    EXPECT_TRUE(window.isVisible());
}

} // namespace
} // namespace tainoteka
