#include "support/Observable.h"

#include "support/CNotificationQueue.h"
#include "support/Observer.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

uint64_t NextSerial() {
    static std::atomic<uint64_t> serial{0};
    return ++serial;
}

} // namespace

CLock& Observable::RegistryLock() {
    static CLock lock;
    return lock;
}

Observable::Observable() : m_token(std::make_shared<Token>(Token{this})) {}

Observable::Observable(const Observable&) : Observable() {}

Observable::~Observable() {
    std::lock_guard guard(RegistryLock());
    m_token->observable = nullptr;
    for (const Registration& registration : m_registrations)
        registration.observer->Unwatch(this);
    m_registrations.clear();
}

bool Observable::AddObserver(Observer* observer) {
    if (!observer)
        return false;
    std::lock_guard guard(RegistryLock());
    if (HasObserver(observer))
        return false;
    m_registrations.push_back({observer, NextSerial()});
    observer->Watch(this);
    return true;
}

bool Observable::RemoveObserver(Observer* observer) {
    std::lock_guard guard(RegistryLock());
    if (!HasObserver(observer))
        return false;
    ForgetObserver(observer);
    observer->Unwatch(this);
    return true;
}

bool Observable::HasObserver(const Observer* observer) const {
    std::lock_guard guard(RegistryLock());
    return std::any_of(m_registrations.begin(), m_registrations.end(),
                       [observer](const Registration& r) { return r.observer == observer; });
}

int Observable::ObserverCount() const {
    std::lock_guard guard(RegistryLock());
    return static_cast<int>(m_registrations.size());
}

void Observable::SendNotification(int message, void* parameter) {
    auto& queue = CNotificationQueue::Instance();
    if (queue.OnAppThread())
        DeliverNow(message, parameter);
    else
        queue.Post(m_token, message, parameter);
}

void Observable::DeliverNow(int message, void* parameter) {
    // Observers may change the registrations, or destroy this object, while
    // they are called: walk a copy of the serial numbers, look each one up
    // again before calling it, and stop once this object is gone.
    const std::shared_ptr<Token> token = m_token;
    std::vector<uint64_t> serials;
    {
        std::lock_guard guard(RegistryLock());
        serials.reserve(m_registrations.size());
        for (const Registration& registration : m_registrations)
            serials.push_back(registration.serial);
    }
    for (const uint64_t serial : serials) {
        if (!token->observable)
            return;
        Observer* observer = nullptr;
        if (IsRegistered(serial, &observer))
            observer->OnNotification(message, parameter);
    }
}

bool Observable::IsRegistered(uint64_t serial, Observer** observer) const {
    std::lock_guard guard(RegistryLock());
    for (const Registration& registration : m_registrations) {
        if (registration.serial == serial) {
            *observer = registration.observer;
            return true;
        }
    }
    return false;
}

void Observable::ForgetObserver(Observer* observer) {
    std::erase_if(m_registrations,
                  [observer](const Registration& r) { return r.observer == observer; });
}
