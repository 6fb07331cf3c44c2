#include "base/FailureReason.h"

#include <QFileDevice>

#include <array>
#include <cerrno>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace dokrava {

namespace {

const QString kNoSpace = QStringLiteral("Недостаточно места на диске");
const QString kNoAccess = QStringLiteral("Нет доступа к файлу");
const QString kTooLarge = QStringLiteral("Файл слишком велик для этого диска");

struct Known
{
    int code;
    const QString *reason;
};

// The codes the platform gives for these failures; Qt reports file errors by the same codes'
// texts (qt_error_string), which is how a QFile's failure is recognised.
const auto &knownCodes()
{
    static const std::array codes{
#ifdef Q_OS_WIN
        Known{ERROR_DISK_FULL, &kNoSpace},         Known{ERROR_HANDLE_DISK_FULL, &kNoSpace},
        Known{ERROR_ACCESS_DENIED, &kNoAccess},    Known{ERROR_SHARING_VIOLATION, &kNoAccess},
        Known{ERROR_LOCK_VIOLATION, &kNoAccess},   Known{ERROR_WRITE_PROTECT, &kNoAccess},
        Known{ERROR_FILE_TOO_LARGE, &kTooLarge},
#else
        Known{ENOSPC, &kNoSpace},  Known{EDQUOT, &kNoSpace}, Known{EACCES, &kNoAccess},
        Known{EPERM, &kNoAccess},  Known{EROFS, &kNoAccess}, Known{ETXTBSY, &kNoAccess},
        Known{EFBIG, &kTooLarge},
#endif
    };
    return codes;
}

} // namespace

QString FailureReason(int code)
{
    for (const Known &k : knownCodes())
        if (k.code == code)
            return *k.reason;
    return qt_error_string(code);
}

QString FailureReason(const QFileDevice &file)
{
    const QString text = file.errorString();
    for (const Known &k : knownCodes())
        if (text == qt_error_string(k.code))
            return *k.reason;
    return text;
}

} // namespace dokrava
