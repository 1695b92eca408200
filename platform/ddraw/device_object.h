// The interface look-up and reference count that the palettes and surfaces of
// the display device share. The last Release hands the object to its
// LastReleased, which gives it back to the device that owns it.
#pragma once

#include <atomic>

#include "platform/ddraw.h"

namespace platform::video {

template <typename Interface, const IID& kInterfaceId>
class DeviceObject : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, LPVOID* object) final {
        if (!object)
            return E_INVALIDARG;
        if (riid == IID_IUnknown || riid == kInterfaceId) {
            AddRef();
            *object = static_cast<Interface*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG AddRef() final { return ++references_; }

    ULONG Release() final {
        const ULONG left = --references_;
        if (left == 0)
            LastReleased();
        return left;
    }

protected:
    // Runs once, when the count reaches zero; the object may be deleted in it.
    virtual void LastReleased() = 0;

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace platform::video
