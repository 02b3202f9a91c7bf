#include "support/Observer.h"

#include "support/Observable.h"

#include <algorithm>
#include <mutex>

Observer::~Observer() {
    std::lock_guard guard(Observable::RegistryLock());
    for (Observable* observable : m_watched)
        observable->ForgetObserver(this);
    m_watched.clear();
}

int Observer::WatchedCount() const {
    std::lock_guard guard(Observable::RegistryLock());
    return static_cast<int>(m_watched.size());
}

void Observer::Watch(Observable* observable) {
    m_watched.push_back(observable);
}

void Observer::Unwatch(Observable* observable) {
    std::erase(m_watched, observable);
}
