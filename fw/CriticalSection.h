// Critical section and its scoped lock: the one lock type the program uses.
#pragma once
#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock() { EnterCriticalSection(&m_cs); }
    bool TryLock() { return TryEnterCriticalSection(&m_cs) != FALSE; }
    void Unlock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class CSingleLock {
public:
    // signalIfBusy, a semaphore of a test, is released when the lock has to wait for another thread.
    explicit CSingleLock(CCriticalSection& cs, HANDLE signalIfBusy = nullptr) : m_cs(cs)
    {
        if (signalIfBusy != nullptr && m_cs.TryLock())
            return;
        if (signalIfBusy != nullptr)
            ReleaseSemaphore(signalIfBusy, 1, nullptr);
        m_cs.Lock();
    }
    ~CSingleLock() { m_cs.Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection& m_cs;
};
