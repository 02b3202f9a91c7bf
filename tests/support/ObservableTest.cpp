#include "support/Observable.h"
#include "support/CNotificationQueue.h"
#include "support/Observer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Heard {
    int message;
    void* parameter;
};

// Records what it hears and runs an optional action on each notification.
class Recorder : public Observer {
public:
    void OnNotification(int message, void* parameter) override {
        heard.push_back({message, parameter});
        if (action)
            action(message);
    }
    std::vector<Heard> heard;
    std::function<void(int)> action;
};

// Every test starts with all notifications delivered at once.
class ObservableTest : public ::testing::Test {
protected:
    void SetUp() override { CNotificationQueue::Instance().ClearAppThread(); }
    void TearDown() override {
        CNotificationQueue::Instance().DeliverQueuedNotifications();
        CNotificationQueue::Instance().ClearAppThread();
    }
};

TEST_F(ObservableTest, NotifiesEveryObserverInRegistrationOrder) {
    Observable source;
    Recorder a, b;
    std::vector<char> order;
    a.action = [&](int) { order.push_back('a'); };
    b.action = [&](int) { order.push_back('b'); };
    EXPECT_TRUE(source.AddObserver(&b));
    EXPECT_TRUE(source.AddObserver(&a));
    EXPECT_FALSE(source.AddObserver(&a));
    EXPECT_FALSE(source.AddObserver(nullptr));
    int payload = 7;
    source.SendNotification(1026, &payload);
    ASSERT_EQ(a.heard.size(), 1u);
    EXPECT_EQ(a.heard[0].message, 1026);
    EXPECT_EQ(a.heard[0].parameter, &payload);
    EXPECT_EQ(order, (std::vector<char>{'b', 'a'}));

    EXPECT_TRUE(source.RemoveObserver(&b));
    EXPECT_FALSE(source.RemoveObserver(&b));
    source.SendNotification(1, nullptr);
    EXPECT_EQ(a.heard.size(), 2u);
    EXPECT_EQ(b.heard.size(), 1u);
}

TEST_F(ObservableTest, ObserversMayChangeTheRegistrationsWhileNotified) {
    Observable source;
    Recorder first, second, third, added;
    // first removes itself and second; third adds another observer.
    first.action = [&](int) {
        source.RemoveObserver(&first);
        source.RemoveObserver(&second);
    };
    third.action = [&](int) { source.AddObserver(&added); };
    source.AddObserver(&first);
    source.AddObserver(&second);
    source.AddObserver(&third);
    source.SendNotification(5, nullptr);
    EXPECT_EQ(first.heard.size(), 1u);
    EXPECT_TRUE(second.heard.empty());
    EXPECT_EQ(third.heard.size(), 1u);
    EXPECT_TRUE(added.heard.empty()); // joins from the next notification on
    source.SendNotification(6, nullptr);
    EXPECT_EQ(added.heard.size(), 1u);
    EXPECT_EQ(source.ObserverCount(), 2);
}

TEST_F(ObservableTest, AnObserverDestroyedDuringANotificationIsSkipped) {
    Observable source;
    Recorder killer;
    auto victim = std::make_unique<Recorder>();
    killer.action = [&](int) { victim.reset(); };
    source.AddObserver(&killer);
    source.AddObserver(victim.get());
    source.SendNotification(1, nullptr);
    EXPECT_EQ(source.ObserverCount(), 1);
}

TEST_F(ObservableTest, TheObservableMayBeDestroyedByItsObserver) {
    auto source = std::make_unique<Observable>();
    Recorder killer, later;
    killer.action = [&](int) { source.reset(); };
    source->AddObserver(&killer);
    source->AddObserver(&later);
    source->SendNotification(1, nullptr);
    EXPECT_EQ(killer.heard.size(), 1u);
    EXPECT_TRUE(later.heard.empty());
    EXPECT_EQ(killer.WatchedCount(), 0);
    EXPECT_EQ(later.WatchedCount(), 0);
}

TEST_F(ObservableTest, DestructionDetachesBothWays) {
    Recorder observer;
    {
        Observable a, b;
        a.AddObserver(&observer);
        b.AddObserver(&observer);
        EXPECT_EQ(observer.WatchedCount(), 2);
    }
    EXPECT_EQ(observer.WatchedCount(), 0);

    Observable source;
    {
        Recorder shortLived;
        source.AddObserver(&shortLived);
    }
    EXPECT_EQ(source.ObserverCount(), 0);
    source.SendNotification(1, nullptr); // nothing dangling to call

    // Copies start unregistered on both sides.
    Observable original;
    original.AddObserver(&observer);
    Observable copy(original);
    EXPECT_EQ(copy.ObserverCount(), 0);
    Recorder copiedObserver(observer);
    EXPECT_EQ(copiedObserver.WatchedCount(), 0);
}

TEST_F(ObservableTest, OtherThreadsQueueForTheAppThread) {
    auto& queue = CNotificationQueue::Instance();
    queue.SetAppThread();
    int wakes = 0;
    queue.SetWakeCallback([&] { ++wakes; });
    Observable source;
    Recorder observer;
    source.AddObserver(&observer);

    std::thread worker([&] {
        source.SendNotification(1032, reinterpret_cast<void*>(uintptr_t{42}));
        source.SendNotification(1033, nullptr);
    });
    worker.join();
    EXPECT_TRUE(observer.heard.empty());
    EXPECT_EQ(queue.PendingCount(), 2);
    EXPECT_EQ(wakes, 2);

    source.SendNotification(7, nullptr); // the app thread's own go out at once
    ASSERT_EQ(observer.heard.size(), 1u);

    EXPECT_EQ(queue.DeliverQueuedNotifications(), 2);
    ASSERT_EQ(observer.heard.size(), 3u);
    EXPECT_EQ(observer.heard[1].message, 1032);
    EXPECT_EQ(observer.heard[1].parameter, reinterpret_cast<void*>(uintptr_t{42}));
    EXPECT_EQ(observer.heard[2].message, 1033);
    queue.SetWakeCallback(nullptr);
}

TEST_F(ObservableTest, QueuedNotificationsOfADestroyedObservableAreDropped) {
    auto& queue = CNotificationQueue::Instance();
    queue.SetAppThread();
    Recorder observer;
    auto doomed = std::make_unique<Observable>();
    Observable survivor;
    doomed->AddObserver(&observer);
    survivor.AddObserver(&observer);
    std::thread worker([&] {
        doomed->SendNotification(1, nullptr);
        survivor.SendNotification(2, nullptr);
    });
    worker.join();
    doomed.reset();
    EXPECT_EQ(queue.DeliverQueuedNotifications(), 1);
    ASSERT_EQ(observer.heard.size(), 1u);
    EXPECT_EQ(observer.heard[0].message, 2);
}

TEST_F(ObservableTest, ObservableDestroyedByAnEarlierQueuedDeliveryIsDropped) {
    auto& queue = CNotificationQueue::Instance();
    queue.SetAppThread();
    auto second = std::make_unique<Observable>();
    Observable first;
    Recorder killer, observer;
    killer.action = [&](int) { second.reset(); };
    first.AddObserver(&killer);
    second->AddObserver(&observer);
    std::thread worker([&] {
        first.SendNotification(1, nullptr);
        second->SendNotification(2, nullptr);
    });
    worker.join();
    EXPECT_EQ(queue.DeliverQueuedNotifications(), 1);
    EXPECT_TRUE(observer.heard.empty());
}

} // namespace
