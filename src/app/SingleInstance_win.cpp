// The session's one copy on Windows: a named pipe whose access list admits the user's own processes alone
// (QLocalServer's UserAccessOption), each end checking that the other runs as the same user, and the hand-over with
// the system's own calls before Qt's event loop exists.
#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>

#include <windows.h>

#include <vector>

namespace {

// The user a process runs as, from its token; empty when it cannot be asked.
std::vector<char> tokenUser(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size))
        user.clear();
    CloseHandle(token);
    return user;
}

bool sameUserAsUs(ULONG processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    const std::vector<char> theirs = tokenUser(process);
    CloseHandle(process);
    const std::vector<char> ours = tokenUser(GetCurrentProcess());
    return !theirs.empty() && !ours.empty() &&
           EqualSid(reinterpret_cast<const TOKEN_USER*>(theirs.data())->User.Sid,
                    reinterpret_cast<const TOKEN_USER*>(ours.data())->User.Sid);
}

// One overlapped read or write on the pipe, waited for until the deadline; the bytes moved, or -1.
long long transfer(HANDLE pipe, bool writing, void* data, DWORD size, QDeadlineTimer deadline) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent)
        return -1;
    DWORD moved = 0;
    const BOOL done =
        writing ? WriteFile(pipe, data, size, nullptr, &overlapped) : ReadFile(pipe, data, size, nullptr, &overlapped);
    long long result = -1;
    if (done || GetLastError() == ERROR_IO_PENDING) {
        const DWORD wait = WaitForSingleObject(overlapped.hEvent, DWORD(qMax<qint64>(0, deadline.remainingTime())));
        if (wait != WAIT_OBJECT_0) {
            CancelIo(pipe);
            GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
        } else if (GetOverlappedResult(pipe, &overlapped, &moved, FALSE)) {
            result = moved;
        }
    }
    CloseHandle(overlapped.hEvent);
    return result;
}

} // namespace

bool SingleInstance::peerIsUs(qintptr descriptor) {
    ULONG client = 0;
    return GetNamedPipeClientProcessId(reinterpret_cast<HANDLE>(descriptor), &client) && sameUserAsUs(client);
}

QString SingleInstance::serverName(const QString&, const QString& name) {
    // Pipes have one namespace for the machine: the name, made from the user's own folder, is the user's.
    return name;
}

QString SingleInstance::runtimeFolder() {
    // The user's own temporary folder (its access list admits the user alone) holds the lock.
    const QString folder = QDir::tempPath();
    return QDir(folder).exists() ? folder : QString();
}

SingleInstance::Reach SingleInstance::handOver(StartCommand::Command command) const {
    const std::wstring pipeName = L"\\\\.\\pipe\\" + m_socketPath.toStdWString();
    HANDLE pipe = CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    // Every instance busy with another start: one more try after a short wait.
    if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PIPE_BUSY && WaitNamedPipeW(pipeName.c_str(), 500))
        pipe = CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return Reach::Nobody;
    // A pipe of that name served by another user's process is not our copy.
    ULONG server = 0;
    if (!GetNamedPipeServerProcessId(pipe, &server) || !sameUserAsUs(server)) {
        CloseHandle(pipe);
        return Reach::Nobody;
    }
    Reach reach = Reach::NoAnswer;
    const QDeadlineTimer deadline(m_waitForAnswerMs);
    QByteArray said = StartCommand::word(command) + '\n';
    if (transfer(pipe, true, said.data(), DWORD(said.size()), deadline) == said.size()) {
        QByteArray line;
        while (!line.endsWith('\n') && line.size() < ANSWER.size()) {
            char c = 0;
            if (transfer(pipe, false, &c, 1, deadline) != 1)
                break;
            line.append(c);
        }
        if (line == ANSWER)
            reach = Reach::HandedOver;
    }
    CloseHandle(pipe);
    return reach;
}

bool SingleInstance::breakStaleLock() const {
    // Every copy of ours keeps its lock file open, its deletion not shared, for as long as it runs (QLockFile does):
    // a file that can be deleted is held by nobody. A read-only attribute (a planted file) does not keep it.
    const std::wstring path = QDir::toNativeSeparators(m_lockPath).toStdWString();
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(path.c_str()))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
