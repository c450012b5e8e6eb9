#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "MainWindowFixture.h"
#include "ProfileFile.h"
#include "Settings.h"
#include "SystemLimits.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

#ifdef Q_OS_WIN
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + kEol;
    return text;
}

class SettingsTest : public MainWindowFixture {
protected:
    QString Ini() const { return Path(S("options.ini")); }
    void Put(const std::string& text) { WriteFile(S("options.ini"), text); }
    std::string Get() { return ReadFile(S("options.ini")); }
    void Load(double ppi = 96)
    {
        window().ApplySettings(LoadSettings(Ini(), program->Document.CurrentDir, editor().font(), ppi));
    }
    TFileResult Save(double ppi = 96) { return SaveSettings(window().CollectSettings(), Ini(), ppi); }
    // A fresh program that reads what the last one wrote.
    void Restart()
    {
        Start({});
        Load();
    }
    QString Stored(const QString& section, const QString& key)
    {
        return TProfileFile(Ini()).ReadString(section, key, S("<missing>"));
    }
    QString StoredFont(const char* key) { return Stored(S("FONT"), QLatin1String(key)); }
    QFont Font() { return editor().font(); }
    QColor TextColor() { return editor().palette().color(QPalette::Text); }
    // The program's folder as a dialog starts in it: no trailing separator.
    QString ProgramFolder() const { return QDir::toNativeSeparators(folder.path()); }
    QAction* CheckedViewItem()
    {
        QAction* checked = nullptr;
        for (QAction* item : {window().MnuViewPanelTop, window().MnuViewPanelBottom, window().MnuViewPanelLeft,
                              window().MnuViewPanelRight})
            if (item->isChecked()) {
                EXPECT_EQ(checked, nullptr) << "two View items checked";
                checked = item;
            }
        return checked;
    }
};

} // namespace

TEST_F(SettingsTest, WithoutAFileTheDefaultsApplyAndAreWrittenInOrder)
{
    window().PlaceToolbar(TToolbarEdge::Right);
    window().MnuEditClipboard->setChecked(false);
    window().OpenDialog.InitialDir = S("/elsewhere");
    Load();

    EXPECT_EQ(window().OpenDialog.InitialDir, ProgramFolder());
    EXPECT_EQ(window().SaveDialog.InitialDir, ProgramFolder());
    EXPECT_EQ(program->Document.CurrentDir, ProgramFolder() + QDir::separator());
    EXPECT_EQ(window().ToolbarEdge(), TToolbarEdge::Top);
    EXPECT_EQ(CheckedViewItem(), window().MnuViewPanelTop);
    EXPECT_EQ(Font().family(), S("MS Sans Serif"));
    EXPECT_EQ(Font().pixelSize(), 11);
    EXPECT_FALSE(Font().bold() || Font().italic() || Font().underline() || Font().strikeOut());
    EXPECT_EQ(FontPitch(Font()), 0);
    EXPECT_EQ(TextColor(), QApplication::palette().color(QPalette::Text));
    EXPECT_TRUE(window().MnuEditClipboard->isChecked());
    EXPECT_FALSE(QFile::exists(Ini()));

    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Get(),
              Lines({"[DIR]", "ChDir=" + ProgramFolder().toStdString(), "[POSITON TOOLBARPICTURES]", "Position=top",
                     "[FONT]", "Color=-16777208", "Height=-11", "Name=MS Sans Serif", "Pitch=0", "Size=8",
                     "StyleBold=0", "StyleItalic=0", "StyleUnderline=0", "StyleStrikeOut=0", "[CLIPBOARD]",
                     "ClipboardChecked=1"}));
}

TEST_F(SettingsTest, EveryValueSurvivesARestart)
{
    QDir(folder.path()).mkdir(S("docs"));
    const QString docs = QDir::toNativeSeparators(Path(S("docs")));
    Load();
    window().OpenDialog.InitialDir = docs;
    window().PlaceToolbar(TToolbarEdge::Left);
    QFont font(S("DejaVu Serif"));
    font.setPixelSize(20);
    font.setBold(true);
    font.setItalic(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    SetFontPitch(font, 2);
    editor().setFont(font);
    QPalette palette = editor().palette();
    palette.setColor(QPalette::Text, QColor(1, 2, 3));
    editor().setPalette(palette);
    window().MnuEditClipboard->setChecked(false);
    ASSERT_TRUE(Save().Ok);

    Restart();
    EXPECT_EQ(window().OpenDialog.InitialDir, docs);
    EXPECT_EQ(window().SaveDialog.InitialDir, docs);
    EXPECT_EQ(window().ToolbarEdge(), TToolbarEdge::Left);
    EXPECT_EQ(CheckedViewItem(), window().MnuViewPanelLeft);
    EXPECT_EQ(Font().family(), S("DejaVu Serif"));
    EXPECT_EQ(Font().pixelSize(), 20); // 15 points at 96 pixels per inch
    EXPECT_TRUE(Font().bold() && Font().italic() && Font().underline() && Font().strikeOut());
    EXPECT_EQ(FontPitch(Font()), 2);
    EXPECT_EQ(TextColor(), QColor(1, 2, 3));
    EXPECT_FALSE(window().MnuEditClipboard->isChecked());
    EXPECT_EQ(StoredFont("Color"), S("197121")); // 0x030201
    EXPECT_EQ(StoredFont("Size"), S("15"));
    EXPECT_EQ(StoredFont("Height"), S("-20"));

    // A second close writes the same file again.
    const std::string first = Get();
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Get(), first);
}

TEST_F(SettingsTest, ToolbarPosition)
{
    const std::pair<TToolbarEdge, const char*> edges[] = {
        {TToolbarEdge::Bottom, "bottom"}, {TToolbarEdge::Right, "right"}, {TToolbarEdge::Left, "left"}};
    for (const auto& [edge, name] : edges) {
        window().PlaceToolbar(edge);
        ASSERT_TRUE(Save().Ok);
        EXPECT_EQ(Stored(S("POSITON TOOLBARPICTURES"), S("Position")), S(name));
        Restart();
        EXPECT_EQ(window().ToolbarEdge(), edge) << name;
    }
    // Only the exact lower-case words count; blanks around a value are not part of it.
    for (const char* position : {"Top", "middle", "Bottom", "LEFT", "righ", ""}) {
        Put(std::string("[POSITON TOOLBARPICTURES]\nPosition=") + position + "\n");
        Restart();
        EXPECT_EQ(window().ToolbarEdge(), TToolbarEdge::Top) << position;
        EXPECT_EQ(CheckedViewItem(), window().MnuViewPanelTop) << position;
    }
    Put("[POSITON TOOLBARPICTURES]\nPosition=  bottom \n");
    Restart();
    EXPECT_EQ(CheckedViewItem(), window().MnuViewPanelBottom);
}

TEST_F(SettingsTest, StartFolder)
{
    QDir(folder.path()).mkdir(S("gone"));
    const QString gone = QDir::toNativeSeparators(Path(S("gone")));
    Put("[DIR]\nChDir=" + gone.toStdString() + QDir::separator().toLatin1() + "\n");
    Restart();
    // An existing folder loses its trailing separator.
    EXPECT_EQ(window().OpenDialog.InitialDir, gone);
    EXPECT_EQ(window().SaveDialog.InitialDir, gone);

    QDir(folder.path()).rmdir(S("gone"));
    Restart();
    EXPECT_EQ(window().OpenDialog.InitialDir, ProgramFolder());
    EXPECT_EQ(window().SaveDialog.InitialDir, ProgramFolder());
    EXPECT_EQ(program->Document.CurrentDir, ProgramFolder() + QDir::separator());
    // The stale folder stays until the next close.
    EXPECT_EQ(Stored(S("DIR"), S("ChDir")), gone + QDir::separator());
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Stored(S("DIR"), S("ChDir")), ProgramFolder());

    // An empty value names no folder.
    Put("[DIR]\nChDir=\n");
    Restart();
    EXPECT_EQ(window().OpenDialog.InitialDir, ProgramFolder());

    // A folder name with a line break cannot be stored; the rest still is.
    window().OpenDialog.InitialDir = S("/tmp/two\nlines");
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Stored(S("DIR"), S("ChDir")), QString(""));
    EXPECT_EQ(Stored(S("CLIPBOARD"), S("ClipboardChecked")), S("1"));
}

TEST_F(SettingsTest, SizeDecidesTheHeight)
{
    Put("[FONT]\nHeight=-20\nSize=8\n");
    Restart();
    EXPECT_EQ(Font().pixelSize(), 11);
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(StoredFont("Height"), S("-11"));
    EXPECT_EQ(StoredFont("Size"), S("8"));

    Put("[FONT]\nHeight=-20\n");
    Restart();
    EXPECT_EQ(Font().pixelSize(), 11);

    Put("[FONT]\nSize=12\n");
    Start({});
    Load(120);
    EXPECT_EQ(Font().pixelSize(), 20);

    // Size 0 asks for the platform's default height: the height read before stays.
    Put("[FONT]\nHeight=-16\nSize=0\n");
    Restart();
    EXPECT_EQ(Font().pixelSize(), 16);
    Put("[FONT]\nSize=2147483647\n");
    Restart();
    EXPECT_GT(Font().pixelSize(), 16);
    EXPECT_LE(Font().pixelSize(), 1600);

    // A font chosen in points, as the font dialog gives it.
    QFont font = Font();
    font.setPointSize(14);
    editor().setFont(font);
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(StoredFont("Height"), S("-19"));
    EXPECT_EQ(StoredFont("Size"), S("14"));

    // Halves round away from zero.
    EXPECT_EQ(PixelHeightForSize(3, 60), -3);
    EXPECT_EQ(PixelHeightForSize(-3, 60), 3);
    EXPECT_EQ(PixelHeightForSize(1, 84), -1);
    EXPECT_EQ(SizeForPixelHeight(-5, 144), 3);
    EXPECT_EQ(SizeForPixelHeight(5, 144), -3);
    EXPECT_EQ(SizeForPixelHeight(-7, 96), 5);
}

TEST_F(SettingsTest, Colours)
{
    const QPalette app = QApplication::palette();
    const std::pair<const char*, QColor> plain[] = {{"0x000000FF", QColor(255, 0, 0)},
                                                     {"$00FF8040", QColor(0x40, 0x80, 0xFF)},
                                                     {"green", app.color(QPalette::Text)}};
    const char* const written[] = {"255", "16744512", "-16777208"};
    for (int i = 0; i < 3; ++i) {
        Put(std::string("[FONT]\nColor=") + plain[i].first + "\n");
        Restart();
        EXPECT_EQ(TextColor(), plain[i].second) << plain[i].first;
        ASSERT_TRUE(Save().Ok);
        EXPECT_EQ(StoredFont("Color"), QLatin1String(written[i])) << plain[i].first;
    }

    // System colours come from the application palette and go back as read.
    const std::tuple<int, QPalette::ColorGroup, QPalette::ColorRole> system[] = {
        {8, QPalette::Active, QPalette::Text},           {5, QPalette::Active, QPalette::Base},
        {18, QPalette::Active, QPalette::ButtonText},    {13, QPalette::Active, QPalette::Highlight},
        {14, QPalette::Active, QPalette::HighlightedText}, {17, QPalette::Disabled, QPalette::Text}};
    for (const auto& [index, group, role] : system) {
        const int value = int(0xFF000000u | quint32(index));
        Put("[FONT]\nColor=" + std::to_string(value) + "\n");
        Restart();
        EXPECT_EQ(TextColor(), app.color(group, role)) << index;
        ASSERT_TRUE(Save().Ok);
        EXPECT_EQ(StoredFont("Color"), QString::number(value)) << index;
    }

    // Another colour put in its place (the font dialog's) is written as RGB.
    QColor chosen(10, 20, 30);
    if (chosen == TextColor())
        chosen = QColor(30, 20, 10);
    QPalette palette = editor().palette();
    palette.setColor(QPalette::Text, chosen);
    editor().setPalette(palette);
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(StoredFont("Color"), QString::number(chosen.red() | chosen.green() << 8 | chosen.blue() << 16));

    // A plain colour read after a system colour is not taken for it, even
    // when both look the same.
    const QColor highlight = app.color(QPalette::Highlight);
    const int same = highlight.red() | highlight.green() << 8 | highlight.blue() << 16;
    Put("[FONT]\nColor=-16777203\n");
    Load();
    Put("[FONT]\nColor=" + std::to_string(same) + "\n");
    Load();
    EXPECT_EQ(TextColor(), highlight);
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(StoredFont("Color"), QString::number(same));
}

TEST_F(SettingsTest, PitchIsKeptByTheFont)
{
    const std::pair<const char*, int> cases[] = {{"2", 2}, {"1", 1}, {"0", 0}, {"7", 0}, {"-1", 0}};
    for (const auto& [stored, pitch] : cases) {
        Put(std::string("[FONT]\nPitch=") + stored + "\n");
        Restart();
        EXPECT_EQ(FontPitch(Font()), pitch) << stored;
        EXPECT_EQ(Font().fixedPitch(), pitch == 2) << stored;
        ASSERT_TRUE(Save().Ok);
        EXPECT_EQ(StoredFont("Pitch"), QString::number(pitch)) << stored;
    }
    // A fixed-pitch request does not outlive a reset to the default.
    QFont font = Font();
    SetFontPitch(font, 2);
    SetFontPitch(font, 0);
    EXPECT_EQ(FontPitch(font), 0);
    EXPECT_EQ(font.styleHint(), QFont::AnyStyle);
}

TEST_F(SettingsTest, StylesNameAndClipboardSwitch)
{
    const QString longName = S("Abcdefghij Klmnopqrst Uvwxyzabcd Efghijklm"); // 42 characters
    Put("[FONT]\nName=" + longName.toStdString()
        + "\nStyleBold=5\nStyleItalic=-1\nStyleUnderline=yes\nStyleStrikeOut=0x1\n"
          "[CLIPBOARD]\nClipboardChecked=0\n");
    QFont styled = Font();
    styled.setUnderline(true); // emptied before the flags apply
    editor().setFont(styled);
    Load();
    EXPECT_EQ(Font().family(), longName.left(31));
    EXPECT_TRUE(Font().bold() && Font().italic() && Font().strikeOut());
    EXPECT_FALSE(Font().underline());
    EXPECT_FALSE(window().MnuEditClipboard->isChecked());
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(StoredFont("Name"), longName.left(31));
    EXPECT_EQ(StoredFont("StyleBold"), S("1"));
    EXPECT_EQ(StoredFont("StyleItalic"), S("1"));
    EXPECT_EQ(StoredFont("StyleUnderline"), S("0"));
    EXPECT_EQ(StoredFont("StyleStrikeOut"), S("1"));
    EXPECT_EQ(Stored(S("CLIPBOARD"), S("ClipboardChecked")), S("0"));

    // An empty name leaves the face; a switch that is no number is on.
    QFont font = Font();
    font.setFamily(S("DejaVu Sans"));
    editor().setFont(font);
    Put("[FONT]\nName=\n[CLIPBOARD]\nClipboardChecked=off\n");
    Load();
    EXPECT_EQ(Font().family(), S("DejaVu Sans"));
    EXPECT_TRUE(window().MnuEditClipboard->isChecked());
}

TEST_F(SettingsTest, NamesMatchWithoutLetterCase)
{
    Put("[font]\nstylebold=1\nCOLOR=255\n[Clipboard]\nclipboardchecked=0\n"
        "[positon toolbarpictures]\nposition=right\n");
    Restart();
    EXPECT_TRUE(Font().bold());
    EXPECT_EQ(TextColor(), QColor(255, 0, 0));
    EXPECT_FALSE(window().MnuEditClipboard->isChecked());
    EXPECT_EQ(window().ToolbarEdge(), TToolbarEdge::Right);
    ASSERT_TRUE(Save().Ok);
    const std::string text = Get();
    // The existing spellings are kept; no second section of the same name appears.
    EXPECT_NE(text.find("[font]"), std::string::npos);
    EXPECT_EQ(text.find("[FONT]"), std::string::npos);
    EXPECT_NE(text.find("stylebold=1"), std::string::npos);
    EXPECT_NE(text.find("position=right"), std::string::npos);
}

TEST_F(SettingsTest, ForeignLinesSurviveASave)
{
    Put("; written by hand\r\n[Recent]\r\nFile1=a.txtp\r\n\r\n[FONT]\r\nSize=10\r\nSmoothing = on \r\n\r\n; end\r\n");
    Restart();
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Get(), "; written by hand\r\n[Recent]\r\nFile1=a.txtp\r\n\r\n[FONT]\r\nSize=10\r\nSmoothing = on \r\n"
                     "Color=-16777208\r\nHeight=-13\r\nName=MS Sans Serif\r\nPitch=0\r\nStyleBold=0\r\nStyleItalic=0\r\n"
                     "StyleUnderline=0\r\nStyleStrikeOut=0\r\n\r\n; end\r\n[DIR]\r\nChDir="
                         + ProgramFolder().toStdString()
                         + "\r\n[POSITON TOOLBARPICTURES]\r\nPosition=top\r\n[CLIPBOARD]\r\nClipboardChecked=1\r\n");
}

#ifdef Q_OS_UNIX
TEST_F(SettingsTest, RefusedWriteNamesTheFullPathAndLeavesTheFileAlone)
{
    const std::string before = "[FONT]\nSize=10\n";
    Put(before);
    Restart();
    editor().setFont(QFont(S("DejaVu Sans"), 30));
    TFileResult result;
    {
        TFileSizeLimit limit(before.size()); // the file may not grow: refused whoever runs this
        result = Save();
    }
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, S("Unable to write to ") + QDir::toNativeSeparators(Ini()));
    EXPECT_EQ(Get(), before);
}

TEST_F(SettingsTest, WritableFileInALockedFolderIsWrittenInPlace)
{
    Put("[FONT]\nSize=10\n");
    Restart();
    const TSettings settings = window().CollectSettings();
    const QString dir = folder.path();
    const QString ini = Ini();
    const std::string failure = AsUserBoundByPermissions(dir, [&]() -> std::string {
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
        const TFileResult result = SaveSettings(settings, ini, 96);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return result.Ok ? std::string() : result.Error.toStdString();
    });
    EXPECT_EQ(failure, "");
    EXPECT_EQ(Stored(S("CLIPBOARD"), S("ClipboardChecked")), S("1"));
    EXPECT_EQ(StoredFont("Size"), S("10"));
}
#endif

TEST_F(SettingsTest, UnusableFolderNamesTheFullPath)
{
    // A file where the program's folder should be refuses every write, whoever runs this.
    WriteFile(S("blocker"), "keep");
    const QString ini = Path(S("blocker")) + S("/options.ini");
    const TFileResult result = SaveSettings(window().CollectSettings(), ini, 96);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, S("Unable to write to ") + QDir::toNativeSeparators(ini));
    EXPECT_EQ(ReadFile(S("blocker")), "keep");
}

TEST_F(SettingsTest, LockTimeIsStoredOnlyOnceChanged)
{
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Stored(S("LOCK"), S("Minutes")), S("<missing>"));
    window().MnuViewLock30->trigger();
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Stored(S("LOCK"), S("Minutes")), S("30"));
    Restart();
    EXPECT_EQ(window().LockMinutes(), 30);
    EXPECT_TRUE(window().MnuViewLock30->isChecked());
    // Back to the default, a file that has the line keeps it.
    window().MnuViewLock10->trigger();
    ASSERT_TRUE(Save().Ok);
    EXPECT_EQ(Stored(S("LOCK"), S("Minutes")), S("10"));

    const struct {
        const char* Stored;
        int Minutes;
    } cases[] = {{"0", 0}, {"5", 5}, {"30", 30}, {"7", 10}, {"-1", 10}, {"many", 10}};
    for (const auto& c : cases) {
        Put(Lines({"[LOCK]", std::string("Minutes=") + c.Stored}));
        Load();
        EXPECT_EQ(window().LockMinutes(), c.Minutes) << c.Stored;
    }
}
