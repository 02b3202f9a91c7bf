#pragma once

#include "support/CLock.h"

#include <cstdint>
#include <memory>
#include <vector>

class Observer;

// Sends notifications (a message code and a pointer-sized parameter) to every
// registered Observer, in registration order.
//
// During a notification an observer may remove itself or another observer,
// add observers, or destroy the Observable: an observer removed before its
// turn is skipped, one added during the notification first hears the next
// one, and sending stops when the Observable is destroyed.
//
// A notification sent on a thread other than the application thread (see
// CNotificationQueue) is queued and delivered on the application thread; it
// is dropped when the Observable is destroyed before delivery. The parameter
// is delivered as it was given, so a queued parameter must point to something
// that outlives the delivery (or be a plain number).
class Observable {
public:
    Observable();
    // A copy has no observers: registrations belong to the object that made them.
    Observable(const Observable&);
    Observable& operator=(const Observable&) { return *this; }
    virtual ~Observable();

    // Registers an observer; false when it is null or already registered.
    bool AddObserver(Observer* observer);
    // False when the observer was not registered.
    bool RemoveObserver(Observer* observer);
    bool HasObserver(const Observer* observer) const;
    int ObserverCount() const;

    void SendNotification(int message, void* parameter);

    // Shared with queued notifications, which check it before delivery.
    struct Token {
        Observable* observable;
    };

private:
    friend class Observer;
    friend class CNotificationQueue;

    struct Registration {
        Observer* observer;
        uint64_t serial;
    };

    // Guards every registration of every Observable and Observer, so that the
    // two sides of a registration always change together.
    static CLock& RegistryLock();

    // Calls the observers now; only on the application thread.
    void DeliverNow(int message, void* parameter);
    bool IsRegistered(uint64_t serial, Observer** observer) const;
    // Called by a dying observer, under the registry lock.
    void ForgetObserver(Observer* observer);

    std::vector<Registration> m_registrations;
    std::shared_ptr<Token> m_token;
};
