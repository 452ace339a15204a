#include "companion/SourceFetch.h"
#include "companion/CompanionSettings.h"

#include <winhttp.h>
#include <cwchar>
#include <vector>

namespace {

enum FetchMode { kToMemory, kToFile, kProbe };
enum JobState : LONG { kRunning, kFinished, kAbandoned };

// Shared by the caller and the worker; the last of the two to let go deletes it.
struct FetchJob {
    LONG refs = 2;
    volatile LONG state = kRunning;
    HANDLE done = nullptr;
    HMODULE pin = nullptr;
    FetchMode mode = kToMemory;
    std::wstring source;
    std::wstring partPath;
    unsigned long long maxBytes = 0;
    DWORD timeoutMs = 0;
    HANDLE partFile = INVALID_HANDLE_VALUE;
    unsigned long long received = 0;
    bool ok = false;
    std::string body;
    std::wstring why;

    ~FetchJob()
    {
        if (done != nullptr)
            CloseHandle(done);
    }
    void Release()
    {
        if (InterlockedDecrement(&refs) == 0)
            delete this;
    }
    bool Abandoned() const { return state == kAbandoned; }
};

class CInternetHandle {
public:
    explicit CInternetHandle(HINTERNET h) : m_h(h) {}
    ~CInternetHandle()
    {
        if (m_h != nullptr)
            WinHttpCloseHandle(m_h);
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    HINTERNET Get() const { return m_h; }

private:
    HINTERNET m_h;
};

std::wstring ErrorText(const wchar_t* what, DWORD code)
{
    wchar_t text[96];
    swprintf(text, 96, L"%ls failed (error %lu)", what, static_cast<unsigned long>(code));
    return text;
}

// Takes one piece of the answer; false when the answer grows past its limit or cannot be kept.
bool Accept(FetchJob& job, const char* data, DWORD size)
{
    job.received += size;
    if (job.received > job.maxBytes) {
        job.why = L"larger than the limit";
        return false;
    }
    if (job.mode == kToMemory) {
        job.body.append(data, size);
        return true;
    }
    DWORD written = 0;
    if (!WriteFile(job.partFile, data, size, &written, nullptr) || written != size) {
        job.why = ErrorText(L"writing the package", GetLastError());
        return false;
    }
    return true;
}

bool ReadFromFile(FetchJob& job)
{
    HANDLE file = CreateFileW(job.source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        job.why = ErrorText(L"opening the file", GetLastError());
        return false;
    }
    bool ok = true;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) > job.maxBytes) {
        job.why = L"larger than the limit";
        ok = false;
    }
    std::vector<char> buffer(65536);
    while (ok && !job.Abandoned()) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            job.why = ErrorText(L"reading the file", GetLastError());
            ok = false;
        } else if (read == 0) {
            break;
        } else {
            ok = Accept(job, buffer.data(), read);
        }
    }
    CloseHandle(file);
    return ok;
}

bool ReadFromWeb(FetchJob& job)
{
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(job.source.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0) {
        job.why = L"not a valid web address";
        return false;
    }
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath != nullptr ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr)
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = L"/";

    CInternetHandle session(WinHttpOpen(L"OrlaviFeedbackInformation/1.0",
                                        WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                        WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.Get() == nullptr) {
        job.why = ErrorText(L"WinHttpOpen", GetLastError());
        return false;
    }
    // Each step is bounded too, so a worker left behind at the limit ends by itself soon after.
    int limit = static_cast<int>(job.timeoutMs);
    WinHttpSetTimeouts(session.Get(), limit, limit, limit, limit);
    CInternetHandle connection(WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0));
    DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    CInternetHandle request(connection.Get() == nullptr
                                ? nullptr
                                : WinHttpOpenRequest(connection.Get(), L"GET", path.c_str(), nullptr,
                                                     WINHTTP_NO_REFERER,
                                                     WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (request.Get() == nullptr) {
        job.why = ErrorText(L"opening the request", GetLastError());
        return false;
    }
    if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.Get(), nullptr)) {
        job.why = ErrorText(L"the request", GetLastError());
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        job.why = ErrorText(L"reading the status", GetLastError());
        return false;
    }
    if (job.mode == kProbe)
        return true;
    if (status != 200) {
        job.why = L"HTTP status " + std::to_wstring(status);
        return false;
    }
    DWORD length = 0;
    size = sizeof(length);
    if (WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &length, &size, WINHTTP_NO_HEADER_INDEX) &&
        length > job.maxBytes) {
        job.why = L"larger than the limit";
        return false;
    }
    std::vector<char> buffer(16384);
    while (!job.Abandoned()) {
        DWORD read = 0;
        if (!WinHttpReadData(request.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read)) {
            job.why = ErrorText(L"reading the answer", GetLastError());
            return false;
        }
        if (read == 0)
            return true;
        if (!Accept(job, buffer.data(), read))
            return false;
    }
    return false;
}

void RunJob(FetchJob& job)
{
    if (job.mode == kToFile) {
        job.partFile = CreateFileW(job.partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (job.partFile == INVALID_HANDLE_VALUE) {
            job.why = ErrorText(L"creating the package file", GetLastError());
            return;
        }
    }
    job.ok = IsWebAddress(job.source) ? ReadFromWeb(job) : ReadFromFile(job);
    if (job.partFile != INVALID_HANDLE_VALUE) {
        CloseHandle(job.partFile);
        job.partFile = INVALID_HANDLE_VALUE;
    }
}

DWORD WINAPI FetchThread(void* parameter)
{
    FetchJob* job = static_cast<FetchJob*>(parameter);
    HMODULE pin = job->pin;
    RunJob(*job);
    // Whoever changes the state first decides: the caller giving up, or the result standing.
    bool abandoned = InterlockedCompareExchange(&job->state, kFinished, kRunning) == kAbandoned;
    if (job->mode == kToFile && (abandoned || !job->ok))
        DeleteFileW(job->partPath.c_str());
    SetEvent(job->done);
    job->Release();
    FreeLibraryAndExitThread(pin, 0);
    return 0;
}

enum RunOutcome { kNotStarted, kInTime, kTimedOut };

// Runs the job on its worker and waits at most its time limit.
RunOutcome RunWithLimit(FetchJob* job)
{
    job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The worker holds its own reference to this library: the tool may unload it before a
    // worker that was given up on has ended.
    if (job->done == nullptr ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&FetchThread), &job->pin)) {
        job->why = ErrorText(L"preparing the request", GetLastError());
        InterlockedDecrement(&job->refs);  // the worker's share
        return kNotStarted;
    }
    HANDLE thread = CreateThread(nullptr, 0, FetchThread, job, 0, nullptr);
    if (thread == nullptr) {
        job->why = ErrorText(L"starting the request", GetLastError());
        FreeLibrary(job->pin);
        InterlockedDecrement(&job->refs);
        return kNotStarted;
    }
    CloseHandle(thread);
    if (WaitForSingleObject(job->done, job->timeoutMs) == WAIT_OBJECT_0)
        return kInTime;
    // The worker may have finished between the wait and now: then its result stands.
    if (InterlockedCompareExchange(&job->state, kAbandoned, kRunning) == kFinished)
        return kInTime;
    return kTimedOut;
}

FetchJob* NewJob(FetchMode mode, const std::wstring& source, unsigned long long maxBytes,
                 DWORD timeoutMs)
{
    FetchJob* job = new FetchJob;
    job->mode = mode;
    job->source = source;
    job->maxBytes = maxBytes;
    job->timeoutMs = timeoutMs;
    return job;
}

// The job's result; the fields are only read when the worker is done with them.
bool Conclude(const FetchJob& job, RunOutcome outcome, std::wstring& why)
{
    if (outcome == kTimedOut) {
        why = L"no answer within the time limit";
        return false;
    }
    why = job.ok ? std::wstring() : job.why;
    return outcome == kInTime && job.ok;
}

}  // namespace

bool FetchText(const std::wstring& source, unsigned long long maxBytes, DWORD timeoutMs,
               std::string& text, std::wstring& why)
{
    text.clear();
    if (source.empty()) {
        why = L"no source";
        return false;
    }
    FetchJob* job = NewJob(kToMemory, source, maxBytes, timeoutMs);
    bool ok = Conclude(*job, RunWithLimit(job), why);
    if (ok)
        text.swap(job->body);
    job->Release();
    return ok;
}

bool FetchToFile(const std::wstring& source, const std::wstring& target,
                 unsigned long long maxBytes, DWORD timeoutMs, std::wstring& why)
{
    if (source.empty()) {
        why = L"no source";
        return false;
    }
    FetchJob* job = NewJob(kToFile, source, maxBytes, timeoutMs);
    job->partPath = target + L".part";
    bool ok = Conclude(*job, RunWithLimit(job), why);
    if (ok && !MoveFileExW(job->partPath.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        why = ErrorText(L"placing the package", GetLastError());
        DeleteFileW(job->partPath.c_str());
        ok = false;
    }
    job->Release();
    return ok;
}

bool ProbeWebAddress(const std::wstring& address, DWORD timeoutMs, std::wstring& why)
{
    if (!IsWebAddress(address)) {
        why = L"not a web address";
        return false;
    }
    FetchJob* job = NewJob(kProbe, address, 0, timeoutMs);
    bool ok = Conclude(*job, RunWithLimit(job), why);
    job->Release();
    return ok;
}
