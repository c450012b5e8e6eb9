#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ProfileFile.h"
#include "SystemLimits.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

class ProfileFileTest : public ::testing::Test {
protected:
    QString Path() const { return folder.filePath(S("options.ini")); }
    void Put(const QByteArray& bytes)
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray Get() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString Read(const char* section, const char* key) const { return ini.ReadString(S(section), S(key), S("<d>")); }
    bool Write(const char* section, const char* key, const QString& value)
    {
        return ini.WriteString(S(section), S(key), value).Ok;
    }

    QTemporaryDir folder;
    TProfileFile ini{Path()};
};

} // namespace

TEST(ProfileInteger, DecimalAndHexadecimal)
{
    const std::pair<const char*, int> valid[] = {
        {"0", 0}, {"42", 42}, {"+42", 42}, {"-42", -42}, {"007", 7}, {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"$1F", 31}, {"0x1F", 31}, {"0X1f", 31}, {"0x000000FF", 255},
        // Hexadecimal gives the 32-bit pattern, as colours are stored.
        {"$7FFFFFFF", 2147483647}, {"0xFF000008", -16777208}, {"$FFFFFFFF", -1}, {"0x00000000FFFFFFFF", -1}};
    for (const auto& [text, value] : valid)
        EXPECT_EQ(ParseProfileInteger(S(text), -5), value) << text;
    for (const char* text : {"", "+", "-", "2147483648", "-2147483649", "99999999999999999999", "12a", "1 2", "1.5",
                             "--1", "0x", "$", "0xG1", "-$1F", "$-1", "0x100000000", "x1F", "١٢"})
        EXPECT_EQ(ParseProfileInteger(S(text), -5), -5) << text;
}

TEST_F(ProfileFileTest, MissingFileReadsDefaultsAndIsNotCreated)
{
    EXPECT_EQ(Read("FONT", "Name"), S("<d>"));
    EXPECT_EQ(ini.ReadInteger(S("FONT"), S("Size"), 8), 8);
    EXPECT_TRUE(ini.ReadFlag(S("CLIPBOARD"), S("ClipboardChecked"), true));
    EXPECT_FALSE(ini.ReadFlag(S("FONT"), S("StyleBold"), false));
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(ProfileFileTest, NamesMatchWithoutCaseAndOnlyInTheirSection)
{
    Put("Size=1\n  [ font ]  \n  NAME  =  Arial Bold  \nName=second\n;Size=2\n[Другой]\nключ=значение\n[FONT]\nSize=3\n");
    EXPECT_EQ(Read("FONT", "Name"), S("Arial Bold"));
    EXPECT_EQ(Read("Font", "SIZE"), S("<d>")); // outside, commented out, or in a later twin section
    EXPECT_EQ(Read("ДРУГОЙ", "КЛЮЧ"), S("значение"));
}

TEST_F(ProfileFileTest, ValuesIntegersAndFlags)
{
    Put("[K]\nempty=\nblank=   \nhex1=$1F\nhex2=0x1F\nbad=12x\nflag5=5\nflag0=0\nq1=\" x \"\nq2='y'\nq3=\"z\n"
        "q4=\"0x10\"\nlong="
        + QByteArray(3000, 'a') + "\n");
    EXPECT_EQ(Read("K", "empty"), QString(""));
    EXPECT_EQ(ini.ReadInteger(S("K"), S("empty"), 8), 8);
    EXPECT_EQ(ini.ReadInteger(S("K"), S("blank"), 8), 8);
    EXPECT_EQ(ini.ReadInteger(S("K"), S("hex1"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(S("K"), S("hex2"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(S("K"), S("bad"), 99), 99);
    EXPECT_TRUE(ini.ReadFlag(S("K"), S("flag5"), false));
    EXPECT_FALSE(ini.ReadFlag(S("K"), S("flag0"), true));
    EXPECT_TRUE(ini.ReadFlag(S("K"), S("bad"), true));
    EXPECT_FALSE(ini.ReadFlag(S("K"), S("bad"), false));
    EXPECT_EQ(Read("K", "q1"), S(" x "));
    EXPECT_EQ(Read("K", "q2"), S("y"));
    EXPECT_EQ(Read("K", "q3"), S("\"z"));
    EXPECT_EQ(ini.ReadInteger(S("K"), S("q4"), 0), 16);
    EXPECT_EQ(Read("K", "long"), QString(2047, QLatin1Char('a')));
}

TEST_F(ProfileFileTest, ReadsWindows1251Utf8AndByteOrderMark)
{
    Put("[FONT]\r\nName=\xCF\xF0\xE8\xE2\xE5\xF2\r\n"); // Windows-1251 "Привет"
    EXPECT_EQ(Read("FONT", "Name"), S("Привет"));
    Put(S("[FONT]\nName=Привет\n").toUtf8());
    EXPECT_EQ(Read("FONT", "Name"), S("Привет"));
    Put("\xEF\xBB\xBF[FONT]\nName=bom\n");
    EXPECT_EQ(Read("FONT", "Name"), S("bom"));
}

TEST_F(ProfileFileTest, WritesReplaceInPlaceAndLeaveOtherLinesAlone)
{
    Put("; settings\r\n[Font]   \r\n  nAME = Old Face  \r\nExtra=keep me\r\n\r\n; about the next section\r\n"
        "[Unknown]\r\nwhat=ever\r\n\r\n");
    ASSERT_TRUE(Write("FONT", "Name", S("New")));
    ASSERT_TRUE(Write("font", "Size", S("8")));
    ASSERT_TRUE(Write("CLIPBOARD", "ClipboardChecked", S("1")));
    EXPECT_EQ(Get(), QByteArray("; settings\r\n[Font]   \r\nnAME=New\r\nExtra=keep me\r\nSize=8\r\n\r\n"
                                "; about the next section\r\n[Unknown]\r\nwhat=ever\r\n\r\n"
                                "[CLIPBOARD]\r\nClipboardChecked=1\r\n"));

    Put("[A]\n\n[B]\nb=1");
    ASSERT_TRUE(Write("A", "a", S("x")));
    ASSERT_TRUE(Write("B", "c", S("y")));
    ASSERT_TRUE(Write("Z", "z", S("2")));
    EXPECT_EQ(Get(), QByteArray("[A]\na=x\n\n[B]\nb=1\nc=y\n[Z]\nz=2\n"));
}

TEST_F(ProfileFileTest, ValuesReadBackAsWritten)
{
    for (const char* value : {" padded ", "\"quoted\"", "'q'", "a=b;c", "", "C:\\Tools", "Папка 中文"}) {
        ASSERT_TRUE(Write("S", "v", S(value)));
        EXPECT_EQ(Read("S", "v"), S(value));
    }
    EXPECT_EQ(Get().count("v="), 1);
}

TEST_F(ProfileFileTest, FileKeepsItsEncodingUntilTextDoesNotFit)
{
    Put("; \xEA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9\n[S]\nk=1\n"); // Windows-1251 "; комментарий"
    ASSERT_TRUE(Write("S", "name", S("Шрифт")));
    EXPECT_EQ(Get(), QByteArray("; \xEA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9\n[S]\nk=1\nname=\xD8\xF0\xE8\xF4\xF2\n"));
    ASSERT_TRUE(Write("S", "name", S("中")));
    EXPECT_EQ(Get(), S("; комментарий\n[S]\nk=1\nname=中\n").toUtf8());

    Put("\xEF\xBB\xBFk0=top\n[S]\nk=1\n");
    ASSERT_TRUE(Write("S", "k", S("Ж")));
    EXPECT_EQ(Get(), QByteArray("\xEF\xBB\xBFk0=top\n[S]\nk=\xD0\x96\n"));
}

#ifdef _WIN32
TEST_F(ProfileFileTest, NewAndPlainFilesAreWrittenInTheAnsiCodePageWithCrLf)
{
    ASSERT_TRUE(Write("DIR", "ChDir", S("C:\\Документы\\")));
    EXPECT_EQ(Get(), QByteArray("[DIR]\r\nChDir=C:\\\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB\\\r\n"));

    Put("[DIR]\r\nChDir=C:\\\r\n");
    ASSERT_TRUE(Write("FONT", "Name", S("Шрифт")));
    EXPECT_EQ(Get(), QByteArray("[DIR]\r\nChDir=C:\\\r\n[FONT]\r\nName=\xD8\xF0\xE8\xF4\xF2\r\n"));
}
#endif

TEST_F(ProfileFileTest, UnstorableWritesAreRefusedWithoutTouchingTheFile)
{
    const QByteArray before("[S]\nk=1\n");
    Put(before);
    EXPECT_FALSE(Write("S", "k", S("a\nb")));
    EXPECT_FALSE(Write("S", "k", S("a\rb")));
    EXPECT_FALSE(Write("  ", "k", S("v")));
    EXPECT_FALSE(Write("S", "", S("v")));
    EXPECT_FALSE(Write("a]b", "k", S("v")));
    EXPECT_FALSE(Write("S", "a=b", S("v")));
    EXPECT_FALSE(Write("S", ";k", S("v")));
    EXPECT_FALSE(Write("S", "[k", S("v")));
    EXPECT_EQ(Get(), before);
}

#ifdef Q_OS_UNIX
TEST_F(ProfileFileTest, ReadOnlyOrUnreadableFileIsNotReplaced)
{
    const QByteArray before("[S]\nk=1\n");
    Put(before);
    const QString path = Path();
    const std::string failure = AsUserBoundByPermissions(folder.path(), [&]() -> std::string {
        TProfileFile file(path);
        std::string problems;
        const QFile::Permissions usual = QFile::permissions(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
        if (file.WriteString(S("S"), S("k"), S("2")).Ok)
            problems += "a read-only file was replaced; ";
        QFile::setPermissions(path, QFile::WriteOwner | QFile::WriteUser);
        if (file.ReadInteger(S("S"), S("k"), 9) != 9)
            problems += "an unreadable file was read; ";
        if (file.WriteString(S("S"), S("other"), S("2")).Ok) // would lose k=1
            problems += "an unreadable file was replaced; ";
        QFile::setPermissions(path, usual);
        return problems;
    });
    EXPECT_EQ(failure, "");
    EXPECT_EQ(Get(), before);
}
#endif
