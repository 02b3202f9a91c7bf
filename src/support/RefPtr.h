#pragma once

#include <concepts>
#include <utility>

// The two reference-counting vocabularies of the program: the support
// library's shared objects (CRefObj: AddRef / DeleteRefObject) and the
// engine's atoms (CAudioAtom: AddReference / DeleteAtom).
template <class T>
concept RefObjCounted = requires(T* object) {
    object->AddRef();
    object->DeleteRefObject();
};
template <class T>
concept AtomCounted = requires(T* object) {
    object->AddReference();
    T::DeleteAtom(object);
};

// Holds one reference on a reference-counted object and gives it back when
// it lets go: copies take a reference of their own, moves hand theirs over.
// Use it where a reference passes from one class to another (an undo record
// keeping a removed clip alive, a worker holding the sounds it renders), so
// that no path can forget to give one back.
//
// A new object is born holding one reference, its creator's:
// RefPtr<T>::Adopt takes that one over; RefPtr<T>::Share takes another.
//
// T may be incomplete where the pointer is only declared; it must be complete
// where a reference is taken or given back (a class holding a RefPtr to a
// declared-only type defines its destructor and copies next to the type).
template <class T> class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}

    // Takes over a reference the caller holds (for example a new object's).
    static RefPtr Adopt(T* object) { return RefPtr(object); }
    // Takes a reference of its own on the object (null gives an empty pointer).
    static RefPtr Share(T* object) {
        Take(object);
        return RefPtr(object);
    }

    RefPtr(const RefPtr& other) : m_object(other.m_object) { Take(m_object); }
    RefPtr(RefPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    // Copies and moves go through the by-value argument; giving back the old
    // reference last keeps self-assignment safe.
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~RefPtr() { Give(m_object); }

    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Gives the reference back now and holds nothing.
    void Reset() { Give(std::exchange(m_object, nullptr)); }
    // Hands the reference to the caller, who must give it back.
    [[nodiscard]] T* Detach() { return std::exchange(m_object, nullptr); }

    friend bool operator==(const RefPtr& a, const RefPtr& b) { return a.m_object == b.m_object; }
    friend bool operator==(const RefPtr& a, const T* b) { return a.m_object == b; }

private:
    explicit RefPtr(T* object) : m_object(object) {}

    static void Take(T* object) {
        if (!object)
            return;
        static_assert(RefObjCounted<T> || AtomCounted<T>, "T is not reference counted");
        if constexpr (RefObjCounted<T>)
            object->AddRef();
        else
            object->AddReference();
    }
    static void Give(T* object) {
        if (!object)
            return;
        if constexpr (RefObjCounted<T>)
            object->DeleteRefObject();
        else
            T::DeleteAtom(object);
    }

    T* m_object = nullptr;
};
