#pragma once

#include "support/Observable.h"

#include <cstdint>
#include <type_traits>

// Typed access to what a notification carries. An Observable sends a code and
// a pointer-sized parameter; each code carries one kind of payload, declared
// once next to the code by specialising NotificationCarries:
//
//     template <> struct NotificationCarries<kNotifyTrackColour> { using Type = uint32_t; };
//     template <> struct NotificationCarries<kNotifyTrackReorder> { using Type = const
//     TrackReorderDrag; };
//
// Type is a number (it travels in the parameter itself), a struct (passed by
// pointer; it lives only for the delivery) or void (nothing). Receivers read
// the payload with NotificationArgument<code>(parameter) and senders send
// with Notify<code>(observable, payload), so neither side casts the
// parameter, and a code read as the wrong type does not compile.
//
// Codes are keyed by value and type: the enum codes of different senders may
// share numbers, the plain int codes of the toolkit and the timeline may not.
template <auto Code> struct NotificationCarries;

template <auto Code> using NotificationPayload = typename NotificationCarries<Code>::Type;

template <class T>
inline constexpr bool kNotificationNumber = std::is_arithmetic_v<T> || std::is_enum_v<T>;

// The number the code carries, or a pointer to its struct (null when the
// sender sent none).
template <auto Code> auto NotificationArgument(void* parameter) {
    using T = NotificationPayload<Code>;
    static_assert(!std::is_void_v<T>, "this notification carries nothing");
    if constexpr (kNotificationNumber<T>)
        return static_cast<T>(reinterpret_cast<intptr_t>(parameter));
    else
        return static_cast<T*>(parameter);
}

// The parameter that carries a number of the code.
template <auto Code>
void* NotificationParameter(NotificationPayload<Code> number) requires
    kNotificationNumber<NotificationPayload<Code>> {
    return reinterpret_cast<void*>(static_cast<intptr_t>(number));
}

// The parameter that carries a struct of the code.
template <auto Code>
void* NotificationParameter(NotificationPayload<Code>* payload) requires(
    !kNotificationNumber<NotificationPayload<Code>>) {
    return const_cast<std::remove_const_t<NotificationPayload<Code>>*>(payload);
}

// Sends the code with its number, or with a pointer to its struct.
template <auto Code, class Payload> void Notify(Observable& from, Payload&& payload) {
    from.SendNotification(static_cast<int>(Code), NotificationParameter<Code>(payload));
}

// Sends a code that carries nothing.
template <auto Code> void Notify(Observable& from) {
    static_assert(std::is_void_v<NotificationPayload<Code>>, "this notification carries a payload");
    from.SendNotification(static_cast<int>(Code), nullptr);
}
