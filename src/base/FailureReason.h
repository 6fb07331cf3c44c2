#pragma once

#include <QString>

class QFileDevice;

namespace dokrava {

// Why a file could not be written, in the user's words: "Недостаточно места на диске" for a full
// disk or an exhausted quota, "Нет доступа к файлу" for a write the system refused (permissions,
// a read-only medium, a file another program holds), "Файл слишком велик для этого диска" past the
// file system's size limit; any other failure keeps the platform's own text.

// The reason for a platform error code: errno, or on Windows a system error code.
QString FailureReason(int code);

// The reason for the failure that file reports; its own text when it names none of the above.
QString FailureReason(const QFileDevice &file);

} // namespace dokrava
