#pragma once

#include <vector>

class Observable;

// Receives the notifications of the Observables it is registered with. An
// Observer that is destroyed leaves every Observable it watched, and an
// Observable that is destroyed forgets its observers, so neither side is ever
// left holding a dangling pointer.
//
// Observers are registered, notified and destroyed on the application thread.
class Observer {
public:
    Observer() = default;
    // A copy watches nothing: registrations belong to the object that made them.
    Observer(const Observer&) {}
    Observer& operator=(const Observer&) { return *this; }
    virtual ~Observer();

    // Called by an Observable this object is registered with. The meaning of
    // the parameter depends on the message.
    virtual void OnNotification(int message, void* parameter) = 0;

    // How many Observables this object is registered with.
    int WatchedCount() const;

private:
    friend class Observable;
    // Bookkeeping done by Observable under its registry lock.
    void Watch(Observable* observable);
    void Unwatch(Observable* observable);

    std::vector<Observable*> m_watched;
};
