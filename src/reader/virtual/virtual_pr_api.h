#pragma once

// The virtual reader's device control: a desk reader whose glass is a folder.

#include <memory>

#include "reader/sdk/pr_api.h"
#include "reader/virtual/reader_session.h"

namespace readerlink::virtualreader {

class VirtualPrApi : public sdk::PrApi {
public:
    explicit VirtualPrApi(std::shared_ptr<ReaderSession> session);
    ~VirtualPrApi() override;

    sdk::SdkBool UseDeviceN(int devno, int mode) override;
    int CloseDevice() override;
    int SetPageLight(int pages, int& lights) override;
    int Capture() override;
    int GetImageSource() override;
    int GetSourceHandle() override;
    int GetLightMask(int lightId, int windowId) override;
    sdk::DocHandle GetMrz(int page, int light, int type) override;
    sdk::DocHandle Recognize(int page) override;
    sdk::DocHandle ResolveMrzText(std::u16string& lines) override;
    sdk::DocHandle ResolveRfidData(const sdk::Variant& data) override;
    int LightListItem(int index) override;
    int GetRfidCardList() override;
    sdk::SdkBool GetRfidCard(int cardNum, std::u16string& cardId) override;
    sdk::SdkBool ConnectRfidCard(const std::u16string& card) override;
    sdk::SdkBool DisconnectRfidCard(const std::u16string& card) override;
    sdk::SdkBool MakeBAC(const std::u16string& card, std::u16string& lines) override;
    sdk::SdkBool GetRfidFileB(const std::u16string& card, int fileId, sdk::Variant& data) override;
    int GetErrorCode() override;
    std::u16string GetErrorString() override;
    int FreerunMode() override;
    void SetFreerunMode(int mode) override;
    void Subscribe(sdk::PrApiEvents* sink) override;

    class Device;

private:
    std::shared_ptr<Device> device_;
};

} // namespace readerlink::virtualreader
