#include "SystemError.h"

#include <cerrno>

namespace tainoteka {
namespace {

struct TReason {
    int Number;
    const char16_t* Text;
};

// The wording of the usual Russian system messages.
const TReason kReasons[] = {
    {ENOSPC, u"На устройстве не осталось свободного места"},
    {EACCES, u"Отказано в доступе"},
    {EPERM, u"Операция не позволена"},
    {EROFS, u"Файловая система доступна только для чтения"},
    {ENOENT, u"Нет такого файла или каталога"},
    {ENOTDIR, u"Это не каталог"},
    {EISDIR, u"Это каталог"},
    {EEXIST, u"Файл существует"},
    {EIO, u"Ошибка ввода/вывода"},
    {EFBIG, u"Файл слишком велик"},
    {ENAMETOOLONG, u"Слишком длинное имя файла"},
    {ENOMEM, u"Невозможно выделить память"},
    {EMFILE, u"Слишком много открытых файлов"},
    {ENFILE, u"Слишком много открытых файлов в системе"},
    {EBUSY, u"Устройство или ресурс занято"},
    {EINVAL, u"Недопустимый аргумент"},
    {EXDEV, u"Недопустимая ссылка между устройствами"},
    {ENXIO, u"Нет такого устройства или адреса"},
    {ENODEV, u"Нет такого устройства"},
    {EPIPE, u"Обрыв канала"},
    {EAGAIN, u"Ресурс временно недоступен"},
    {EINTR, u"Прерван системный вызов"},
    {EBADF, u"Неправильный дескриптор файла"},
    {ENOTEMPTY, u"Каталог не пуст"},
    {ESPIPE, u"Недопустимая операция смещения"},
#ifdef EDQUOT
    {EDQUOT, u"Превышена дисковая квота"},
#endif
#ifdef ELOOP
    {ELOOP, u"Слишком много уровней символьных ссылок"},
#endif
#ifdef ETXTBSY
    {ETXTBSY, u"Текстовый файл занят"},
#endif
#ifdef ESTALE
    {ESTALE, u"Устаревший дескриптор файла"},
#endif
#ifdef EOPNOTSUPP
    {EOPNOTSUPP, u"Операция не поддерживается"},
#endif
#ifdef ETIMEDOUT
    {ETIMEDOUT, u"Время ожидания соединения истекло"},
#endif
};

} // namespace

QString SystemErrorText(int errnoValue)
{
    for (const TReason& reason : kReasons)
        if (reason.Number == errnoValue)
            return QString::fromUtf16(reason.Text);
    return QStringLiteral("Системная ошибка %1").arg(errnoValue);
}

} // namespace tainoteka
