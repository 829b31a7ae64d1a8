#include "platform/windows/copydata_host_link.h"

#include <windows.h>

namespace readerlink::platform {

namespace {

class CopyDataHostLink final : public HostLink {
public:
    explicit CopyDataHostLink(CopyDataHostLinkOptions options) : options_(options) {}

    HostSendResult send(WindowId sender, const HostRecordBytes& record) override {
        const HWND host = ::FindWindowW(L"TBarcodeForm", L"BarcodeForm");
        if (host == nullptr)
            return {HostDelivery::NoHost};

        // The receiver only reads the record during the call.
        COPYDATASTRUCT data{};
        data.dwData = 0;
        data.cbData = static_cast<DWORD>(record.size());
        data.lpData = const_cast<std::uint8_t*>(record.data());

        // A hung host is skipped at once; a slow one may take the bound, no more.
        DWORD_PTR answer = 0;
        ::SetLastError(ERROR_SUCCESS);
        const LRESULT sent = ::SendMessageTimeoutW(
            host, WM_COPYDATA, static_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(&data),
            SMTO_ABORTIFHUNG, static_cast<UINT>(options_.answerBound.count()), &answer);
        if (sent != 0)
            return {HostDelivery::Answered, static_cast<std::int64_t>(answer)};
        const DWORD error = ::GetLastError();
        if (error == ERROR_TIMEOUT)
            return {HostDelivery::NoAnswer};
        return {HostDelivery::NotSent};
    }

private:
    CopyDataHostLinkOptions options_;
};

} // namespace

std::unique_ptr<HostLink> makeCopyDataHostLink(CopyDataHostLinkOptions options) {
    return std::make_unique<CopyDataHostLink>(options);
}

} // namespace readerlink::platform
