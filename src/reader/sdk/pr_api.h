#pragma once

// The device control (TPrApiOCX): the reader itself.

#include <string>

#include "reader/sdk/sdk_types.h"

namespace readerlink::sdk {

// The two events the station subscribes to; raised on the user-interface thread.
class PrApiEvents {
public:
    virtual ~PrApiEvents() = default;
    virtual void OnPREvent(int prEvent, int param1, int param2) = 0;
    virtual void OnTestDocEvent(int status) = 0;
};

class PrApi {
public:
    virtual ~PrApi() = default;

    virtual SdkBool UseDeviceN(int devno, int mode) = 0;
    virtual int CloseDevice() = 0;
    virtual int SetPageLight(int pages, int& lights) = 0;
    virtual int Capture() = 0;
    virtual int GetImageSource() = 0;
    virtual int GetSourceHandle() = 0;
    virtual int GetLightMask(int lightId, int windowId) = 0;
    virtual DocHandle GetMrz(int page, int light, int type) = 0;
    virtual DocHandle Recognize(int page) = 0;
    virtual DocHandle ResolveMrzText(std::u16string& lines) = 0;
    virtual DocHandle ResolveRfidData(const Variant& data) = 0;
    virtual int LightListItem(int index) = 0;
    virtual int GetRfidCardList() = 0;
    virtual SdkBool GetRfidCard(int cardNum, std::u16string& cardId) = 0;
    virtual SdkBool ConnectRfidCard(const std::u16string& card) = 0;
    virtual SdkBool DisconnectRfidCard(const std::u16string& card) = 0;
    virtual SdkBool MakeBAC(const std::u16string& card, std::u16string& lines) = 0;
    virtual SdkBool GetRfidFileB(const std::u16string& card, int fileId, Variant& data) = 0;
    virtual int GetErrorCode() = 0;
    virtual std::u16string GetErrorString() = 0;

    virtual int FreerunMode() = 0;
    virtual void SetFreerunMode(int mode) = 0;

    // Event subscription; nullptr unsubscribes. The sink must outlive the control
    // or be unsubscribed first.
    virtual void Subscribe(PrApiEvents* sink) = 0;
};

} // namespace readerlink::sdk
