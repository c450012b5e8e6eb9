// The document file on its own: no window, no dialog.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "CodePage1251.h"
#include "DocumentFile.h"
#include "OverlappedSeal.h"
#include "RandomSource.h"
#include "SystemLimits.h"
#include "SystemMemory.h"
#include "TxtpFile.h"

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }
std::string Cp1251(const QString& text) { return Utf16ToCp1251(text.toStdU16String()).Bytes; }

class FailingRandom final : public TRandomSource {
public:
    uint32_t Random(uint32_t) override { throw std::system_error(EIO, std::generic_category(), "getrandom"); }
};

// The same values every run, so two seals can be compared byte for byte.
class CountingRandom final : public TRandomSource {
public:
    uint32_t Random(uint32_t n) override { return (next_ += 2654435761u) % n; }

private:
    uint32_t next_ = 0;
};

class DocumentFileTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return folder.filePath(S(name)); }
    void Put(const char* name, const std::string& bytes)
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qsizetype(bytes.size()));
    }
    std::string Get(const char* name) const
    {
        QFile file(Path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray data = file.readAll();
        return std::string(data.constData(), std::size_t(data.size()));
    }
    // Reads the file and opens it under the typed password.
    TOpenedDocument ReadAndOpen(const char* name, const QString& typed)
    {
        const TReadFile read = documents.Read(Path(name));
        EXPECT_EQ(read.Status, TReadStatus::Ok) << read.Error.toStdString();
        return documents.Open(read.Bytes, typed);
    }

    QTemporaryDir folder;
    TDocumentFile documents;
};

} // namespace

TEST_F(DocumentFileTest, SavedTextOpensUnderItsPassword)
{
    ASSERT_EQ(documents.Save(Path("a.txtp"), S("Первая\nвторая"), S("пароль")).Status, TSaveStatus::Ok);
    const TDecodedFile raw = DecodeTxtpFile(Get("a.txtp"), Cp1251(S("пароль")));
    ASSERT_EQ(raw.Status, TDecodeStatus::Ok);
    EXPECT_EQ(raw.Body, Cp1251(S("Первая\r\nвторая\r\n")));

    const TOpenedDocument opened = ReadAndOpen("a.txtp", S("пароль"));
    ASSERT_EQ(opened.Status, TOpenStatus::Ok);
    EXPECT_EQ(opened.PlainText, S("Первая\r\nвторая\r\n"));
    EXPECT_EQ(opened.Password, S("пароль"));
    EXPECT_EQ(opened.Formatted, nullptr);
}

TEST_F(DocumentFileTest, ShortDamagedForeignAndWrongPassword)
{
    Put("199.txtp", std::string(199, 'a'));
    Put("empty.txtp", "");
    for (const char* name : {"199.txtp", "empty.txtp"}) {
        const TReadFile read = documents.Read(Path(name));
        EXPECT_EQ(read.Status, TReadStatus::TooShort) << name;
        EXPECT_TRUE(read.Bytes.isEmpty()) << name;
    }

    // A foreign file long enough is only found out by its key block.
    Put("foreign.txtp", std::string(4096, '\x5A'));
    EXPECT_EQ(ReadAndOpen("foreign.txtp", S("")).Status, TOpenStatus::WrongPassword);

    Put("good.txtp", EncodeTxtpFile("text\r\n", "right"));
    EXPECT_EQ(ReadAndOpen("good.txtp", S("wrong")).Status, TOpenStatus::WrongPassword);
    EXPECT_EQ(ReadAndOpen("good.txtp", S("right密")).Status, TOpenStatus::WrongPassword)
        << "a character outside Windows-1251 is no stored password's";
    std::string damaged = Get("good.txtp");
    for (std::size_t i = 0; i < 200; i += 3)
        damaged[i] = char(damaged[i] ^ 0x40);
    Put("damaged.txtp", damaged);
    EXPECT_EQ(ReadAndOpen("damaged.txtp", S("right")).Status, TOpenStatus::WrongPassword);

    // A body cut short is not noticed: the rest opens.
    Put("cut.txtp", Get("good.txtp").substr(0, 202));
    EXPECT_EQ(ReadAndOpen("cut.txtp", S("right")).PlainText, S("te"));
    // Exactly the key block: an empty document with the file's password.
    Put("200.txtp", EncodeTxtpFile("", "pw"));
    const TOpenedDocument empty = ReadAndOpen("200.txtp", S("pw"));
    EXPECT_EQ(empty.Status, TOpenStatus::Ok);
    EXPECT_TRUE(empty.PlainText.isEmpty());
    EXPECT_EQ(empty.Password, S("pw"));
}

TEST_F(DocumentFileTest, RichTextBodyComesFormatted)
{
    Put("r.txtp", EncodeTxtpFile("{\\rtf1\\ansi {\\b bold} plain\\par next}", ""));
    const TOpenedDocument opened = ReadAndOpen("r.txtp", S(""));
    ASSERT_NE(opened.Formatted, nullptr);
    EXPECT_EQ(opened.Formatted->toPlainText(), S("bold plain\nnext"));
    EXPECT_EQ(opened.Formatted->firstBlock().begin().fragment().charFormat().fontWeight(), QFont::Bold);

    Put("broken.txtp", EncodeTxtpFile("{\\rtf1 unbalanced", ""));
    const TOpenedDocument plain = ReadAndOpen("broken.txtp", S(""));
    EXPECT_EQ(plain.Formatted, nullptr);
    EXPECT_EQ(plain.PlainText, S("{\\rtf1 unbalanced\r\n"));
}

TEST_F(DocumentFileTest, RefusedCharactersNameTheirPlaceAndWriteNothing)
{
    struct Case {
        const char* Text;
        char32_t CodePoint;
        qsizetype Position;
        std::size_t Line, Column;
    };
    const Case cases[] = {
        {"ok\nnot ok: é and €", U'é', 11, 2, 9},
        {"a\r\nb\rc\n✓", U'✓', 7, 4, 1}, // CR LF, a lone CR and a lone LF each end a line
        {"ab😀✓", U'😀', 2, 1, 3},
        {"Ж€😀x✓", U'😀', 2, 1, 3}, // € has a byte
        {"a✓b", U'✓', 1, 1, 2},
    };
    for (const Case& c : cases) {
        const TSavedDocument saved = documents.Save(Path("u.txtp"), S(c.Text), S("pw"));
        ASSERT_EQ(saved.Status, TSaveStatus::RefusedCharacter) << c.Text;
        EXPECT_EQ(saved.Refused.CodePoint, c.CodePoint) << c.Text;
        EXPECT_EQ(saved.Refused.Position, c.Position) << c.Text;
        EXPECT_EQ(saved.Refused.Line, c.Line) << c.Text;
        EXPECT_EQ(saved.Refused.Column, c.Column) << c.Text;
    }
    const QString withNul = S("first\nsecond") + QChar(0) + S("é");
    const TSavedDocument nul = documents.Save(Path("u.txtp"), withNul, S("pw"));
    EXPECT_EQ(nul.Refused.CodePoint, U'\0');
    EXPECT_EQ(nul.Refused.Line, 2u);
    EXPECT_EQ(nul.Refused.Column, 7u);
    EXPECT_FALSE(QFile::exists(Path("u.txtp")));
}

TEST_F(DocumentFileTest, FailingRandomSourceWritesNothing)
{
    FailingRandom failing;
    TDocumentFile broken(TDocumentFileServices{{}, {}, &failing});
    const TSavedDocument saved = broken.Save(Path("r.txtp"), S("text"), S("pw"));
    EXPECT_EQ(saved.Status, TSaveStatus::NoRandomness);
    EXPECT_EQ(saved.Error, S("Ошибка ввода/вывода"));
    EXPECT_FALSE(QFile::exists(Path("r.txtp")));
}

TEST_F(DocumentFileTest, WriteFailureCarriesTheSystemsReason)
{
    Put("plain", "not a folder");
    const TSavedDocument saved = documents.Save(Path("plain/x.txtp"), S("text"), S("pw"));
    EXPECT_EQ(saved.Status, TSaveStatus::WriteFailed);
#ifdef Q_OS_WIN
    const QString reason = S("Системе не удается найти указанный путь");
#else
    const QString reason = S("Это не каталог");
#endif
    EXPECT_EQ(saved.Error, QDir::toNativeSeparators(Path("plain/x.txtp")) + S(": ") + reason);
}

TEST_F(DocumentFileTest, FileBeyondTheMemoryThereIsIsNotRead)
{
    Put("big.txtp", EncodeTxtpFile(std::string(10000, 'a'), ""));
    TDocumentFile small(TDocumentFileServices{[] { return std::optional<quint64>(50000); }, {}, nullptr});
    const TReadFile read = small.Read(Path("big.txtp"));
    EXPECT_EQ(read.Status, TReadStatus::TooLarge);
    EXPECT_EQ(read.Needed, MemoryToOpen(10202));
    EXPECT_GE(read.Needed, 4u * 10202) << "file, body and the text in two bytes a character";
    EXPECT_EQ(read.Available, 50000u);
    EXPECT_TRUE(read.Bytes.isEmpty());

    TDocumentFile unknown(TDocumentFileServices{[] { return std::optional<quint64>(); }, {}, nullptr});
    EXPECT_EQ(unknown.Read(Path("big.txtp")).Status, TReadStatus::Ok) << "no figure, no refusal";
}

#ifdef Q_OS_LINUX
TEST_F(DocumentFileTest, MemoryFiguresHonourTheProcessLimit)
{
    std::optional<quint64> available;
    {
        TAddressSpaceLimit limit(64u << 20);
        available = AvailableMemoryBytes();
    }
    ASSERT_TRUE(available.has_value());
    EXPECT_LE(*available, 64u << 20);
    EXPECT_GT(*available, 0u);
}

// Every group from the process's own up limits it, in cgroup v2 and v1
// alike; "max" sets no limit.
TEST_F(DocumentFileTest, ControlGroupsLimitTheMemoryFigure)
{
    const QString root = Path("cgroup");
    const auto put = [&](const QString& file, const QByteArray& value) {
        QDir().mkpath(QFileInfo(root + file).absolutePath());
        QFile out(root + file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(value);
    };
    put(S("/user.slice/app/memory.max"), "max\n");
    put(S("/user.slice/app/memory.current"), "100\n");
    put(S("/user.slice/memory.max"), "1000\n");
    put(S("/user.slice/memory.current"), "400\n");
    put(S("/memory/box/memory.limit_in_bytes"), "5000\n");
    put(S("/memory/box/memory.usage_in_bytes"), "4500\n");
    put(S("/memory/memory.limit_in_bytes"), "9223372036854771712\n");
    put(S("/memory/memory.usage_in_bytes"), "100\n");
    const struct {
        const char* Name;
        QByteArray OwnGroups;
        std::optional<quint64> Room;
    } cases[] = {
        {"v2, the limit above", "0::/user.slice/app\n", 600},
        {"v1", "5:cpu:/\n4:memory:/box\n", 500},
        {"both, the tighter", "0::/user.slice/app\n4:cpuacct,memory:/box\n", 500},
        {"no limit", "0::/elsewhere\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ControlGroupRoom(c.OwnGroups, root), c.Room);
    }
}

TEST_F(DocumentFileTest, AllocationThatFailsAnywayIsReported)
{
    Put("huge.txtp", std::string(64u << 20, 'a'));
    TDocumentFile unaware(TDocumentFileServices{[] { return std::optional<quint64>(); }, {}, nullptr});
    TReadFile read;
    {
        TAddressSpaceLimit limit(16u << 20);
        read = unaware.Read(Path("huge.txtp"));
    }
    EXPECT_EQ(read.Status, TReadStatus::TooLarge);
    EXPECT_EQ(read.Available, 0u);
    EXPECT_TRUE(read.Bytes.isEmpty());
}
#endif

TEST_F(DocumentFileTest, LongPlainBodyIsRefusedFromItsFirstBytes)
{
    const std::string rich = "{\\rtf1 " + std::string(150, 'y') + "}";
    const struct {
        std::string Text;
        const char* Typed;
        bool Whole;
        TOpenStatus Long; // LongBodyStatus, when read in part
    } cases[] = {
        {std::string(98, 'x'), "pw", true, TOpenStatus::Ok}, // 100 characters: the limit
        {std::string(99, 'x'), "pw", false, TOpenStatus::TooLarge},
        {std::string(99, 'x'), "no", false, TOpenStatus::WrongPassword},
        {rich, "pw", false, TOpenStatus::Ok}, // markup may hide fewer characters
    };
    for (const auto& c : cases) {
        Put("long.txtp", EncodeTxtpFile(c.Text, "pw"));
        const TReadFile read = documents.Read(Path("long.txtp"), 100);
        ASSERT_EQ(read.Status, TReadStatus::Ok) << c.Text;
        EXPECT_EQ(read.Whole, c.Whole) << c.Text;
        EXPECT_EQ(read.Size, KeyBlockSize + c.Text.size() + 2);
        if (c.Whole)
            continue;
        EXPECT_EQ(read.Bytes.size(), qsizetype(KeyBlockSize + 6)) << "only the key block and the first bytes read";
        EXPECT_EQ(TDocumentFile::LongBodyStatus(read, S(c.Typed)), c.Long) << c.Text;
    }
}

TEST_F(DocumentFileTest, EveryLineCountsInTheMemoryNeededToShowTheText)
{
    EXPECT_EQ(CountLines("a\r\nb\rc\nd"), 4u);
    // 2 MB either way; a million lines cost the editing area far more than one line.
    TDocumentFile tight(TDocumentFileServices{[] { return std::optional<quint64>(50u << 20); }, {}, nullptr});
    const struct {
        std::string Text;
        bool Fits;
    } cases[] = {{std::string(2u << 20, 'x'), true}, {std::string(1u << 20, '\n'), false}};
    for (const auto& c : cases) {
        Put("m.txtp", EncodeTxtpFile(c.Text, "pw"));
        const TReadFile read = tight.Read(Path("m.txtp"));
        ASSERT_EQ(read.Status, TReadStatus::Ok);
        const TOpenedDocument opened = tight.Open(read.Bytes, S("pw"));
        ASSERT_EQ(opened.Status, TOpenStatus::Ok);
        const TMemoryCheck room = tight.RoomToShow(opened);
        EXPECT_EQ(room.Fits, c.Fits);
        EXPECT_EQ(room.Needed, MemoryToShow(quint64(opened.PlainText.size()), opened.Lines));
    }
}

TEST(OverlappedSeal, SameBytesAsConvertingThenSealingWhateverThePieces)
{
    // Pieces cut between CR and LF, and one piece for all; enough text that
    // the cipher mostly runs behind the conversion, not after it.
    std::u16string text;
    for (int line = 0; line < 100000; ++line)
        text += line % 3 ? u"Строка\r\n" : line % 2 ? u"a\u2029" : u"b\r";
    for (const std::size_t piece : {std::size_t(7), std::size_t(4096), std::size_t(1) << 20}) {
        CountingRandom first, second;
        // As a save stored a text before: the separators made LF, then the
        // code page, the file's line ends and the cipher.
        std::u16string lines = text;
        std::replace(lines.begin(), lines.end(), u'\u2029', u'\n');
        const std::string expected = EncodeTxtpFile(Utf16ToCp1251(lines).Bytes, "пароль", first);
        const TSealedTxtp sealed = SealTxtpText(text, "пароль", second, piece);
        EXPECT_FALSE(sealed.Refused());
        EXPECT_EQ(sealed.Bytes(), expected) << "pieces of " << piece;
    }
    CountingRandom random;
    const TSealedTxtp refused = SealTxtpText(text + u"\u4E00", "p", random, 7);
    EXPECT_EQ(refused.Refused(), text.size());
    EXPECT_TRUE(refused.Bytes().empty());
}
