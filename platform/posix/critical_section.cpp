#include "windows.h"

#include <new>
#include <pthread.h>

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
    *section = {};
    auto *mutex = new (std::nothrow) pthread_mutex_t;
    if (!mutex) return;
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    section->impl = mutex;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
    if (section && section->impl) pthread_mutex_lock(static_cast<pthread_mutex_t *>(section->impl));
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
    if (section && section->impl) pthread_mutex_unlock(static_cast<pthread_mutex_t *>(section->impl));
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
    if (!section || !section->impl) return;
    auto *mutex = static_cast<pthread_mutex_t *>(section->impl);
    pthread_mutex_destroy(mutex);
    delete mutex;
    section->impl = nullptr;
}

}  // extern "C"
