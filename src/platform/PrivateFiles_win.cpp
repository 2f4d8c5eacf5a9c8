// Files of the user's alone on Windows: the user's application-data folder is private by its access list, files are
// created exclusively, flushed, and moved into place with MoveFileEx, which never replaces a file unless asked to.
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <windows.h>

namespace {

std::wstring native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

QString systemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString result =
        length ? QString::fromWCharArray(text, int(length)).trimmed() : QStringLiteral("system error %1").arg(error);
    LocalFree(text);
    return result;
}

bool nameTaken(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

} // namespace

namespace PrivateFiles {

void syncFolder(const QString&) {
    // MoveFileEx with MOVEFILE_WRITE_THROUGH returns once the move is on the disk.
}

void makeOwnerOnly(const QString&) {
    // The folder inherits the access list of the user's profile, which others may not enter.
}

QString writeNewFile(const QString& folder, const QString& path, const QByteArray& bytes) {
    // A hidden name, which no start takes for a message.
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = native(folder +
                      QStringLiteral("/.new-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
        if (file == INVALID_HANDLE_VALUE && !nameTaken(GetLastError()))
            return systemText(GetLastError());
    }
    if (file == INVALID_HANDLE_VALUE)
        return NAME_IN_THE_WAY;
    DWORD error = 0;
    for (qsizetype done = 0; done < bytes.size() && error == 0;) {
        DWORD written = 0;
        const DWORD chunk = DWORD(qMin<qsizetype>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file, bytes.constData() + done, chunk, &written, nullptr) || written == 0)
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        done += written;
    }
    if (error == 0 && !FlushFileBuffers(file))
        error = GetLastError();
    CloseHandle(file);
    if (error == 0) {
        SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!MoveFileExW(temp.c_str(), native(path).c_str(), MOVEFILE_WRITE_THROUGH))
            error = GetLastError();
    }
    if (error == 0)
        return {};
    DeleteFileW(temp.c_str());
    return nameTaken(error) ? NAME_IN_THE_WAY : systemText(error);
}

QString renameWithoutReplacing(const QString& from, const QString& to) {
    if (MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD error = GetLastError();
    return nameTaken(error) ? NAME_IN_THE_WAY : systemText(error);
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit) {
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
        return std::nullopt;
    QFile file(path);
    if (file.size() > limit || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

QString openForAppend(QFile& file, const QString& path) {
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    return {};
}

} // namespace PrivateFiles
