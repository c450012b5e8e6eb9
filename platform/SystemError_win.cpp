// Windows error codes in Russian, as a Russian Windows words them, so that a
// message reads the same whatever language the system itself speaks.
#include "SystemError.h"

#include <windows.h>

namespace tainoteka {
namespace {

struct TWindowsReason {
    DWORD Code;
    const char16_t* Text;
};

const TWindowsReason kWindowsReasons[] = {
    {ERROR_DISK_FULL, u"Недостаточно места на диске"},
    {ERROR_HANDLE_DISK_FULL, u"Диск заполнен"},
    {ERROR_ACCESS_DENIED, u"Отказано в доступе"},
    {ERROR_FILE_NOT_FOUND, u"Не удается найти указанный файл"},
    {ERROR_PATH_NOT_FOUND, u"Системе не удается найти указанный путь"},
    {ERROR_INVALID_DRIVE, u"Системе не удается найти указанный диск"},
    {ERROR_BAD_NETPATH, u"Не найден сетевой путь"},
    {ERROR_SHARING_VIOLATION, u"Процесс не может получить доступ к файлу, так как этот файл занят другим процессом"},
    {ERROR_LOCK_VIOLATION, u"Процесс не может получить доступ к файлу, так как часть этого файла заблокирована другим процессом"},
    {ERROR_WRITE_PROTECT, u"Носитель защищен от записи"},
    {ERROR_FILE_READ_ONLY, u"Указанный файл доступен только для чтения"},
    {ERROR_INVALID_NAME, u"Синтаксическая ошибка в имени файла, имени папки или метке тома"},
    {ERROR_FILENAME_EXCED_RANGE, u"Имя файла или его расширение имеет неверную длину"},
    {kWindowsErrorIsFolder, u"Это каталог"},
    {ERROR_DIRECTORY, u"Неверно задано имя папки"},
    {ERROR_NOT_READY, u"Устройство не готово"},
    {ERROR_FILE_EXISTS, u"Файл существует"},
    {ERROR_ALREADY_EXISTS, u"Невозможно создать файл, так как он уже существует"},
    {ERROR_NOT_ENOUGH_MEMORY, u"Недостаточно памяти для обработки команды"},
    {ERROR_OUTOFMEMORY, u"Недостаточно памяти для завершения операции"},
    {ERROR_TOO_MANY_OPEN_FILES, u"Системе не удается открыть файл"},
    {ERROR_WRITE_FAULT, u"Системе не удается произвести запись на указанное устройство"},
    {ERROR_READ_FAULT, u"Системе не удается произвести чтение с указанного устройства"},
    {ERROR_CRC, u"Ошибка в данных (CRC)"},
    {ERROR_GEN_FAILURE, u"Присоединенное к системе устройство не работает"},
    {ERROR_FILE_TOO_LARGE, u"Размер файла превышает допустимое значение, и файл не может быть сохранен"},
    {ERROR_NOT_SAME_DEVICE, u"Система не может переместить файл на другой диск"},
    {ERROR_DEV_NOT_EXIST, u"Указанное сетевое устройство больше недоступно"},
    {ERROR_NETNAME_DELETED, u"Указанное сетевое имя более недоступно"},
    {ERROR_INVALID_PARAMETER, u"Параметр задан неверно"},
    {ERROR_UNABLE_TO_MOVE_REPLACEMENT, u"Не удается переместить заменяющий файл в заменяемый файл"},
    {kWindowsErrorQuotaExceeded, u"Превышена квота на диске"},
};

// What the system itself says, without the trailing full stop and line break.
QString FormattedMessage(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text;
    if (length > 0 && buffer)
        text = QString::fromWCharArray(buffer, int(length)).trimmed();
    LocalFree(buffer);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

QString WindowsErrorText(unsigned long code)
{
    for (const TWindowsReason& reason : kWindowsReasons)
        if (reason.Code == code)
            return QString::fromUtf16(reason.Text);
    const QString system = FormattedMessage(code);
    return system.isEmpty() ? QStringLiteral("Системная ошибка %1").arg(code) : system;
}

} // namespace tainoteka
