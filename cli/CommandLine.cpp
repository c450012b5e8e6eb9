#include "CommandLine.h"

#include <QCommandLineParser>

#include "FileName.h"
#include "ShownName.h"

namespace tainoteka::cli {
namespace {

struct TOptions {
    QCommandLineOption Input{{"i", "input"}, "Text to protect (default: standard input).", "file"};
    QCommandLineOption Output{{"o", "output"}, "File to write.", "file"};
    QCommandLineOption Password{"pass", "Where the password comes from.", "source"};
    QCommandLineOption NewPassword{"new-pass", "Where the written file's password comes from.", "source"};
    QCommandLineOption Raw{"raw", "Windows-1251 bytes as stored, no conversion."};
    QCommandLineOption AllowEmpty{"allow-empty-password", "Protect with an empty password."};
    QCommandLineOption Format{"format", "The type of file to write: txtp or age.", "type"};
    QCommandLineOption Armor{{"a", "armor"}, "Write the age file in its ASCII armor."};
    QCommandLineOption Help{{"h", "help"}, "Show this help."};
    QCommandLineOption Version{{"v", "version"}, "Show the version."};
};

// A name as the system spells it: on Linux the very bytes given, UTF-8 or not.
std::string SystemName(const QString& argument)
{
    return FileNameForSystem(argument).toStdString();
}

TOutcome UsageError(const std::string& text)
{
    return Failure(TExitCode::Usage, text + " (see txtp --help)");
}

TOutcome RefuseRepeats(const QCommandLineParser& parser, const TOptions& options)
{
    for (const QCommandLineOption* option :
         {&options.Input, &options.Output, &options.Password, &options.NewPassword, &options.Format}) {
        const QStringList values = parser.values(*option);
        if (values.size() > 1)
            return UsageError("--" + option->names().last().toStdString() + " given more than once");
        if (values.size() == 1 && values.front().isEmpty())
            return UsageError("--" + option->names().last().toStdString() + " needs a value");
    }
    return Success();
}

struct TCommandShape {
    const char* Name;
    TCommand Command;
    int Files; // positional file names after the command
    bool TakesInput, TakesOutput, NeedsOutput, TakesRaw, ProtectsText, TakesNewPassword;
};

constexpr TCommandShape kShapes[] = {
    {"encrypt", TCommand::Encrypt, 0, true, true, true, true, true, false},
    {"decrypt", TCommand::Decrypt, 1, false, true, false, true, false, false},
    {"check", TCommand::Check, 1, false, false, false, false, false, false},
    {"convert", TCommand::Convert, 1, false, true, true, false, true, true},
};

const TCommandShape* FindShape(const QString& name)
{
    for (const TCommandShape& shape : kShapes)
        if (name == QLatin1String(shape.Name))
            return &shape;
    return nullptr;
}

TOutcome CheckShape(const TCommandShape& shape, const QCommandLineParser& parser, const TOptions& options)
{
    const std::string name = shape.Name;
    const qsizetype files = parser.positionalArguments().size() - 1;
    if (files < shape.Files)
        return UsageError(name + " needs the protected file to read");
    if (files > shape.Files) {
        const QString extra = parser.positionalArguments().at(shape.Files + 1);
        return UsageError(name + ": unexpected argument \"" + ShownName(SystemName(extra)) + "\"");
    }
    if (!shape.TakesInput && parser.isSet(options.Input))
        return UsageError(name + " takes its file as an argument, not with -i");
    if (!shape.TakesOutput && parser.isSet(options.Output))
        return UsageError(name + " writes no file; -o does not apply");
    if (shape.NeedsOutput && !parser.isSet(options.Output))
        return UsageError(name + " needs -o and the file to write");
    if (!shape.TakesRaw && parser.isSet(options.Raw))
        return UsageError(name + (shape.ProtectsText ? " takes its text from a protected file" : " shows no text") +
                          "; --raw does not apply");
    if (!shape.ProtectsText && parser.isSet(options.AllowEmpty))
        return UsageError(name + " protects nothing; --allow-empty-password does not apply");
    if (!shape.ProtectsText && parser.isSet(options.Format))
        return UsageError(name + " tells the type from the file itself; --format does not apply");
    if (!shape.ProtectsText && parser.isSet(options.Armor))
        return UsageError(name + " writes no protected file; --armor does not apply");
    if (!shape.TakesNewPassword && parser.isSet(options.NewPassword))
        return UsageError(name + " uses one password, given with --pass; --new-pass does not apply");
    return Success();
}

// --format when given, otherwise the name: FILE.age is an age file.
TOutcome ChooseFormat(const QCommandLineParser& parser, const TOptions& options, TRequest& request)
{
    const QString format = parser.value(options.Format);
    if (format.isEmpty())
        request.Format = parser.value(options.Output).endsWith(".age") ? TFileFormat::Age : TFileFormat::Txtp;
    else if (format == "age" || format == "txtp")
        request.Format = format == "age" ? TFileFormat::Age : TFileFormat::Txtp;
    else
        return UsageError("unknown --format \"" + format.toStdString() + "\"; it is txtp or age");
    if (request.Format == TFileFormat::Age && request.Raw)
        return UsageError("an age file holds UTF-8 text; --raw does not apply");
    if (request.Format == TFileFormat::Txtp && request.Armor)
        return UsageError("--armor is for an age file; a .txtp file has no armored form");
    return Success();
}

// A malformed --pass is refused before any file is touched.
TOutcome FillRequest(const TCommandShape& shape, const QCommandLineParser& parser, const TOptions& options,
                     TRequest& request)
{
    request.Command = shape.Command;
    request.Input = SystemName(shape.Files > 0 ? parser.positionalArguments().at(1) : parser.value(options.Input));
    request.Output = SystemName(parser.value(options.Output));
    request.Raw = parser.isSet(options.Raw);
    request.AllowEmptyPassword = parser.isSet(options.AllowEmpty);
    request.Armor = parser.isSet(options.Armor);
    if (shape.ProtectsText) {
        const TOutcome format = ChooseFormat(parser, options, request);
        if (!format.Ok())
            return format;
    }
    TOutcome source = ParsePasswordSource(SystemName(parser.value(options.Password)), request.Password);
    if (source.Ok() && parser.isSet(options.NewPassword)) {
        request.NewPassword.emplace();
        source = ParsePasswordSource(SystemName(parser.value(options.NewPassword)), *request.NewPassword,
                                     "--new-pass");
    }
    return source.Ok() ? source : UsageError(source.Message);
}

} // namespace

TOutcome ParseCommandLine(const QStringList& arguments, TRequest& request)
{
    const TOptions options;
    QCommandLineParser parser;
    parser.addOptions({options.Input, options.Output, options.Password, options.NewPassword, options.Raw,
                       options.AllowEmpty, options.Format, options.Armor, options.Help, options.Version});
    if (!parser.parse(arguments))
        return UsageError(parser.errorText().toStdString());
    request = {};
    if (parser.isSet(options.Help))
        return Success();
    if (parser.isSet(options.Version)) {
        request.Command = TCommand::Version;
        return Success();
    }
    if (parser.positionalArguments().isEmpty())
        return UsageError("no command given");
    const TCommandShape* shape = FindShape(parser.positionalArguments().front());
    if (!shape)
        return UsageError("unknown command \"" + ShownName(SystemName(parser.positionalArguments().front())) + "\"");
    TOutcome outcome = RefuseRepeats(parser, options);
    if (outcome.Ok())
        outcome = CheckShape(*shape, parser, options);
    if (outcome.Ok())
        outcome = FillRequest(*shape, parser, options, request);
    return outcome;
}

std::string HelpText()
{
    return "Usage:\n"
           "  txtp encrypt [-i TEXT] -o FILE.txtp [--raw] [--pass SOURCE] [--allow-empty-password]\n"
           "  txtp encrypt [-i TEXT] -o FILE.txt.age [--format age] [--armor] [--pass SOURCE]\n"
           "               [--allow-empty-password]\n"
           "  txtp decrypt FILE.txtp [-o TEXT] [--raw] [--pass SOURCE]\n"
           "  txtp check FILE.txtp [--pass SOURCE]\n"
           "  txtp convert FILE -o NEWFILE [--format txtp|age] [--armor] [--pass SOURCE]\n"
           "               [--new-pass SOURCE] [--allow-empty-password]\n"
           "  txtp --help | --version\n"
           "\n"
           "encrypt  protects a text: from -i or standard input into FILE.txtp.\n"
           "decrypt  opens FILE.txtp: the text goes to -o or standard output.\n"
           "check    tells whether the password opens FILE.txtp; shows no text.\n"
           "convert  protects the text of FILE anew as NEWFILE, of the type --format or\n"
           "         the name asks for, with the same password or the --new-pass one.\n"
           "         The text stays in memory on the way; FILE is left as it is.\n"
           "\n"
           "Two types of file: .txtp, and age (age-encryption.org/v1 with a passphrase),\n"
           "which holds against someone who copies the file and sets out to break it.\n"
           "decrypt, check and convert tell the type from the file's content, the\n"
           "ASCII-armored age form included.\n"
           "\n"
           "Options:\n"
           "  -i, --input FILE   text to protect (default: standard input)\n"
           "  -o, --output FILE  file to write, replaced only once complete; a device, FIFO\n"
           "                     or terminal is written in place. Never the input file.\n"
           "  --raw              the text is Windows-1251 bytes, as stored in the file;\n"
           "                     without it the text is UTF-8 (a leading byte order mark\n"
           "                     is dropped)\n"
           "  --pass SOURCE      env:VAR   the value of environment variable VAR\n"
           "                     file:PATH the first line of that file\n"
           "                     fd:N      the first line read from open descriptor N\n"
           "                     Without --pass the password is asked on the terminal.\n"
           "  --new-pass SOURCE  convert: the password of NEWFILE, in the same forms;\n"
           "                     without it NEWFILE gets the password of FILE\n"
           "  --format TYPE      encrypt, convert: txtp (the default) or age; age is also\n"
           "                     chosen when the -o name ends in .age\n"
           "  -a, --armor        encrypt, convert: write the age file in its ASCII armor\n"
           "                     (-----BEGIN AGE ENCRYPTED FILE-----), for mail and pasting;\n"
           "                     a .txtp file has no armored form\n"
           "  --allow-empty-password\n"
           "                     encrypt, convert: protect with an empty password (the file\n"
           "                     then opens without one); without it one is refused\n"
           "  -h, --help         show this help\n"
           "  -v, --version      show the version\n"
           "\n"
           "Line ends are stored as CR LF; decrypt gives them back that way. A password\n"
           "for a .txtp file has at most 20 characters, none of them \"|\" or a control\n"
           "character, and every character must exist in Windows-1251; convert refuses\n"
           "one that does not for a .txtp NEWFILE. A decrypted file is readable by its\n"
           "owner only.\n"
           "\n"
           "An age file holds the text as UTF-8 bytes exactly as given to encrypt, and\n"
           "its password is any UTF-8 text; it opens with \"age -d\" and the same password.\n"
           "convert writes its lines ending in LF. Its whole content is authenticated: a\n"
           "changed, cut or lengthened file, or armor that is not canonical, ends with\n"
           "status 6 and no output file (text already sent to standard output stays\n"
           "sent). An armored file is read whole, up to 64 MiB.\n"
           "\n"
           "Exit status:\n"
           "  0  done\n"
           "  1  wrong password, not a valid key block, or an age file made for keys\n"
           "     rather than a password\n"
           "  2  usage error\n"
           "  3  file shorter than 200 bytes: not a protected file\n"
           "  4  read or write error, or not enough memory (an age file whose key\n"
           "     derivation asks for more than 2^22 work is not opened)\n"
           "  5  text a protected file cannot hold: a character without a\n"
           "     Windows-1251 form, invalid UTF-8, or a NUL character\n"
           "  6  damaged or altered age file\n";
}

} // namespace tainoteka::cli
