// CArray: a growable array of element pointers with a fully virtual
// interface. How a default element is made and how an element is destroyed
// is the element policy:
//   RecordElements<T>        plain records (new T / delete), e.g. the window
//                            registry's WindowRecord, the selector's FileEntry;
//   ObjectElements<T, D>     polymorphic objects: a default is a new D, an
//                            element is destroyed through its virtual
//                            destructor; e.g. the panel list (CPanel), the
//                            file list (CStr).
// The pointer array never has spare room: every insertion and removal
// allocates a new one (the program's lists are short).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Plain records: a default record is left uninitialised (its maker fills it
// at once); records must be allocated with `new`.
template <typename T>
struct RecordElements {
    static T* MakeDefault() { return new T; }
    static void Destroy(T* element) { delete element; }
};

// Polymorphic objects; a default element is a new `Default`.
template <typename T, typename Default = T>
struct ObjectElements {
    static T* MakeDefault() { return new Default(); }
    static void Destroy(T* element) {
        if (element != nullptr)
            delete element;
    }
};

template <typename T, typename Elements>
class CArray {
public:
    CArray() : items_(std::make_unique<T*[]>(0)) {}
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    // Destroys every element while the array owns them.
    virtual ~CArray() {
        if (owns_)
            CArray::SetSize(0);
    }

    // Resizes to exactly `n` positions: the first min(n, count) keep their
    // pointers, elements past n are destroyed, new positions are null.
    virtual void SetSize(std::uint32_t n) {
        auto resized = std::make_unique<T*[]>(n);
        std::uint32_t kept = n < count_ ? n : count_;
        for (std::uint32_t i = 0; i < kept; ++i)
            resized[i] = items_[i];
        for (std::uint32_t i = kept; i < n; ++i)
            resized[i] = nullptr;
        // The removed elements are destroyed only after the array is
        // consistent again, so a destructor that looks at (or removes itself
        // from) this array sees it without them.
        std::vector<T*> removed(items_.get() + kept, items_.get() + count_);
        items_ = std::move(resized);
        count_ = n;
        for (T* element : removed)
            Elements::Destroy(element);
    }

    // Resizes to `n` and fills each new position with a default element.
    virtual void SetSizeNew(std::uint32_t n) {
        std::uint32_t old_count = GetCount();
        SetSize(n);
        for (std::uint32_t i = old_count; i < n; ++i)
            items_[i] = Elements::MakeDefault();
    }

    virtual int Add(T* element) { return InsertAt(GetCount(), element); }

    // Appends a default element and returns it; throws 0 if that failed.
    virtual T* AddNew() {
        T* element = Elements::MakeDefault();
        if (!Add(element)) {
            Elements::Destroy(element);
            throw 0;
        }
        return GetAt(GetCount() - 1);
    }

    // Inserts `element` before position `index` (index == count appends).
    // 0, and nothing changes, when index is past the end.
    virtual int InsertAt(std::uint32_t index, T* element) {
        std::uint32_t old_count = GetCount();
        if (index > old_count)
            return 0;
        SetSize(old_count + 1);
        for (std::uint32_t i = old_count; i > index; --i)
            items_[i] = items_[i - 1];
        items_[index] = element;
        return 1;
    }

    // Inserts a default element at `index` and returns it; throws 0 if the
    // insertion failed.
    virtual T* InsertNew(std::uint32_t index) {
        T* element = Elements::MakeDefault();
        if (!InsertAt(index, element)) {
            Elements::Destroy(element);
            throw 0;
        }
        return GetAt(index);
    }

    // Removes the `n` elements from `index` on and destroys them. 0, and
    // nothing changes, when the run does not lie inside the array.
    virtual int RemoveAndDestroy(std::uint32_t index, std::uint32_t n) {
        if (!InRange(index, n))
            return 0;
        std::vector<T*> removed(items_.get() + index, items_.get() + index + n);
        RemoveAt(index, n);
        for (T* element : removed)
            Elements::Destroy(element);
        return 1;
    }

    // Removes the `n` elements from `index` on without destroying them. 0,
    // and nothing changes, when the run does not lie inside the array.
    virtual int RemoveAt(std::uint32_t index, std::uint32_t n) {
        if (!InRange(index, n))
            return 0;
        std::uint32_t count = GetCount();
        for (std::uint32_t i = index; i + n < count; ++i)
            items_[i] = items_[i + n];
        for (std::uint32_t i = count - n; i < count; ++i)
            items_[i] = nullptr;
        SetSize(count - n);
        return 1;
    }

    // Destroys every element, whether or not the array owns them.
    virtual void RemoveAll() { SetSize(0); }

    virtual std::uint32_t GetCount() const { return count_; }
    virtual T* GetAt(std::uint32_t i) const { return ElementAt(i); }
    // The pointer at `i`; null past the end.
    virtual T* ElementAt(std::uint32_t i) const { return i < count_ ? items_[i] : nullptr; }

    // Throws 0 on an empty array.
    virtual T* GetLast() const {
        if (GetCount() == 0)
            throw 0;
        return GetAt(GetCount() - 1);
    }
    virtual T* GetFirst() const {
        if (GetCount() == 0)
            throw 0;
        return GetAt(0);
    }

    // Forgets every element without destroying any.
    virtual void Detach() {
        items_ = std::make_unique<T*[]>(0);
        count_ = 0;
    }

    // While set (the default), destroying the array destroys its elements.
    bool Owns() const { return owns_; }
    void SetOwns(bool owns) { owns_ = owns; }

private:
    bool InRange(std::uint32_t index, std::uint32_t n) const {
        std::uint32_t count = GetCount();
        return index <= count && n <= count - index;
    }

    bool owns_ = true;
    std::uint32_t count_ = 0;
    std::unique_ptr<T*[]> items_;
};
