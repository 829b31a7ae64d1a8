// The one file over the SCard API: pcsc-lite and winscard take the same
// calls; Windows needs the narrow-string names spelt out.

#include "platform/pcsc/pcsc_reader.h"

#ifdef _WIN32
#include <windows.h>
#include <winscard.h>
#define RL_SCardListReaders SCardListReadersA
#define RL_SCardGetStatusChange SCardGetStatusChangeA
#define RL_SCardConnect SCardConnectA
#define RL_SCardStatus SCardStatusA
using ReaderStateRecord = SCARD_READERSTATEA;
#else
#include <winscard.h>
#define RL_SCardListReaders SCardListReaders
#define RL_SCardGetStatusChange SCardGetStatusChange
#define RL_SCardConnect SCardConnect
#define RL_SCardStatus SCardStatus
using ReaderStateRecord = SCARD_READERSTATE;
#endif

#include <cstdio>

namespace readerlink::pcsc {

namespace {

using Kind = PcscError::Kind;

// Wakes a wait when readers come or go.
constexpr const char* kPnpNotification = "\\\\?PnP?\\Notification";
constexpr std::size_t kLongestResponse = 65536 + 2;

std::string code(LONG rc) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(rc));
    return text;
}

[[noreturn]] void fail(LONG rc, const std::string& what) {
    switch (rc) {
    case SCARD_E_NO_SERVICE:
    case SCARD_E_SERVICE_STOPPED:
        throw PcscError(Kind::NoService, "The smart-card service (pcscd) is not running");
    case SCARD_E_NO_READERS_AVAILABLE:
        throw PcscError(Kind::NoReader, "No smart-card reader is connected");
    case SCARD_E_READER_UNAVAILABLE:
    case SCARD_E_UNKNOWN_READER:
        throw PcscError(Kind::ReaderGone, "The smart-card reader is gone");
    case SCARD_W_REMOVED_CARD:
    case SCARD_E_NO_SMARTCARD:
    case SCARD_W_RESET_CARD:
        throw PcscError(Kind::CardRemoved, "The chip left the reader during " + what);
    case SCARD_E_CANCELLED:
        throw PcscError(Kind::Cancelled, "Waiting for a chip was cancelled");
    case SCARD_E_TIMEOUT:
        throw PcscError(Kind::NoCard, "No chip was laid on the reader");
    default:
        throw PcscError(Kind::Failed, "Smart-card service error " + code(rc) + " during " + what);
    }
}

std::vector<std::string> splitMultiString(const std::vector<char>& names) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < names.size() && names[i] != '\0';) {
        const std::string name(&names[i]);
        out.push_back(name);
        i += name.size() + 1;
    }
    return out;
}

} // namespace

struct PcscService::Context {
    SCARDCONTEXT handle = 0;
};

struct PcscCard::Handle {
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
};

PcscService::PcscService() : context_(std::make_unique<Context>()) {
    const LONG rc = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_->handle);
    if (rc != SCARD_S_SUCCESS) {
        if (rc == SCARD_E_NO_SERVICE || rc == SCARD_E_SERVICE_STOPPED ||
            rc == SCARD_F_INTERNAL_ERROR)
            fail(SCARD_E_NO_SERVICE, "start");
        fail(rc, "start");
    }
}

PcscService::~PcscService() {
    SCardReleaseContext(context_->handle);
}

void PcscService::cancel() {
    SCardCancel(context_->handle);
}

std::vector<ReaderInfo> PcscService::readers() {
    DWORD size = 0;
    LONG rc = RL_SCardListReaders(context_->handle, nullptr, nullptr, &size);
    if (rc == SCARD_E_NO_READERS_AVAILABLE)
        return {};
    if (rc != SCARD_S_SUCCESS)
        fail(rc, "the reader list");
    std::vector<char> names(size);
    rc = RL_SCardListReaders(context_->handle, nullptr, names.data(), &size);
    if (rc == SCARD_E_NO_READERS_AVAILABLE)
        return {};
    if (rc != SCARD_S_SUCCESS)
        fail(rc, "the reader list");

    std::vector<ReaderInfo> out;
    const std::vector<std::string> list = splitMultiString(names);
    std::vector<ReaderStateRecord> states(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        states[i] = {};
        states[i].szReader = list[i].c_str();
        states[i].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    if (!states.empty()) {
        rc = RL_SCardGetStatusChange(context_->handle, 0, states.data(),
                                     static_cast<DWORD>(states.size()));
        if (rc != SCARD_S_SUCCESS && rc != SCARD_E_TIMEOUT)
            fail(rc, "the reader states");
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        ReaderInfo info{list[i], (states[i].dwEventState & SCARD_STATE_PRESENT) != 0, {}};
        if (info.cardPresent)
            info.atr.assign(states[i].rgbAtr, states[i].rgbAtr + states[i].cbAtr);
        out.push_back(std::move(info));
    }
    return out;
}

std::string PcscService::waitForCard(const std::string& wanted, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<ReaderStateRecord> states;
    std::vector<std::string> names;
    while (true) {
        // Readers may have come or gone since the last wake-up.
        std::vector<std::string> now;
        for (const ReaderInfo& reader : readers())
            if (wanted.empty() || reader.name == wanted)
                now.push_back(reader.name);
        if (now.empty())
            throw PcscError(Kind::NoReader, wanted.empty()
                                                ? "No smart-card reader is connected"
                                                : "Smart-card reader \"" + wanted + "\" not found");
        if (now != names) {
            names = now;
            states.assign(names.size() + 1, ReaderStateRecord{});
            for (std::size_t i = 0; i < names.size(); ++i) {
                states[i].szReader = names[i].c_str();
                states[i].dwCurrentState = SCARD_STATE_UNAWARE;
            }
            states.back().szReader = kPnpNotification;
            states.back().dwCurrentState = SCARD_STATE_UNAWARE;
            const LONG rc = RL_SCardGetStatusChange(context_->handle, 0, states.data(),
                                                    static_cast<DWORD>(states.size()));
            if (rc != SCARD_S_SUCCESS && rc != SCARD_E_TIMEOUT)
                fail(rc, "the wait for a chip");
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            const DWORD state = states[i].dwEventState;
            if ((state & SCARD_STATE_PRESENT) && !(state & SCARD_STATE_MUTE))
                return names[i];
        }
        for (ReaderStateRecord& state : states)
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;

        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            fail(SCARD_E_TIMEOUT, "the wait for a chip");
        const LONG rc = RL_SCardGetStatusChange(context_->handle, static_cast<DWORD>(left.count()),
                                                states.data(), static_cast<DWORD>(states.size()));
        if (rc == SCARD_E_TIMEOUT)
            fail(rc, "the wait for a chip");
        if (rc == SCARD_E_UNKNOWN_READER || rc == SCARD_E_READER_UNAVAILABLE) {
            names.clear(); // a reader left: list them again
            continue;
        }
        if (rc != SCARD_S_SUCCESS)
            fail(rc, "the wait for a chip");
    }
}

bool PcscService::waitForRemoval(const std::string& reader, std::chrono::milliseconds timeout) {
    ReaderStateRecord state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    DWORD wait = 0;
    while (true) {
        const LONG rc = RL_SCardGetStatusChange(context_->handle, wait, &state, 1);
        if (rc == SCARD_E_TIMEOUT)
            return false;
        if (rc == SCARD_E_UNKNOWN_READER)
            throw PcscError(Kind::NoReader, "Smart-card reader \"" + reader + "\" not found");
        if (rc != SCARD_S_SUCCESS)
            fail(rc, "the wait for the chip to leave");
        if (!(state.dwEventState & SCARD_STATE_PRESENT))
            return true;
        state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        wait = static_cast<DWORD>(left.count());
    }
}

std::unique_ptr<PcscCard> PcscService::connect(const std::string& reader) {
    auto handle = std::make_unique<PcscCard::Handle>();
    LONG rc = RL_SCardConnect(context_->handle, reader.c_str(), SCARD_SHARE_SHARED,
                              SCARD_PROTOCOL_T1, &handle->card, &handle->protocol);
    if (rc == SCARD_E_PROTO_MISMATCH)
        rc = RL_SCardConnect(context_->handle, reader.c_str(), SCARD_SHARE_SHARED,
                             SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &handle->card,
                             &handle->protocol);
    if (rc == SCARD_E_NO_SMARTCARD || rc == SCARD_W_REMOVED_CARD)
        throw PcscError(Kind::NoCard, "No chip on the reader \"" + reader + "\"");
    if (rc != SCARD_S_SUCCESS)
        fail(rc, "the connection to the chip");

    BYTE atr[64];
    DWORD atrSize = sizeof atr;
    DWORD state = 0;
    DWORD protocol = 0;
    DWORD nameSize = 0;
    rc = RL_SCardStatus(handle->card, nullptr, &nameSize, &state, &protocol, atr, &atrSize);
    if (rc != SCARD_S_SUCCESS) {
        SCardDisconnect(handle->card, SCARD_LEAVE_CARD);
        fail(rc, "the connection to the chip");
    }
    return std::unique_ptr<PcscCard>(
        new PcscCard(std::move(handle), reader, chip::Bytes(atr, atr + atrSize)));
}

PcscCard::PcscCard(std::unique_ptr<Handle> handle, std::string reader, chip::Bytes atr)
    : handle_(std::move(handle)), reader_(std::move(reader)), atr_(std::move(atr)) {}

PcscCard::~PcscCard() {
    SCardDisconnect(handle_->card, SCARD_LEAVE_CARD);
}

chip::Bytes PcscCard::exchange(chip::ByteView command) {
    ++exchanges_;
    chip::Bytes answer(kLongestResponse);
    DWORD size = static_cast<DWORD>(answer.size());
    const SCARD_IO_REQUEST* pci =
        handle_->protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    const LONG rc =
        SCardTransmit(handle_->card, pci, command.data(), static_cast<DWORD>(command.size()),
                      nullptr, answer.data(), &size);
    if (rc == SCARD_S_SUCCESS && size >= 2) {
        answer.resize(size);
        return answer;
    }
    // A card pulled mid-exchange shows as a failed exchange or one without
    // status bytes; its state tells, and a chip that stopped answering has
    // left the field either way.
    if (rc == SCARD_S_SUCCESS || rc == SCARD_E_NOT_TRANSACTED || rc == SCARD_F_COMM_ERROR) {
        DWORD state = 0;
        DWORD protocol = 0;
        DWORD nameSize = 0;
        DWORD atrSize = 0;
        const LONG status =
            RL_SCardStatus(handle_->card, nullptr, &nameSize, &state, &protocol, nullptr, &atrSize);
        if (status != SCARD_S_SUCCESS)
            fail(status, "a chip read");
        if (!(state & SCARD_PRESENT) || rc == SCARD_S_SUCCESS)
            fail(SCARD_W_REMOVED_CARD, "a chip read");
    }
    fail(rc, "a chip read");
}

chip::Bytes PcscCard::transmit(chip::ByteView command) {
    chip::Bytes answer = exchange(command);
    if (answer[answer.size() - 2] == 0x6C) {
        // Wrong Le: the card names the right one.
        try {
            chip::CommandApdu again = chip::CommandApdu::parse(command);
            if (again.ne) {
                again.ne = answer.back() == 0 ? 256 : answer.back();
                answer = exchange(again.encode());
            }
        } catch (const chip::MalformedDataError&) {
        }
    }
    chip::Bytes data;
    while (answer[answer.size() - 2] == 0x61) {
        data.insert(data.end(), answer.begin(), answer.end() - 2);
        if (data.size() > kLongestResponse)
            throw PcscError(Kind::Failed, "The chip's answer does not end");
        const chip::Bytes getResponse{static_cast<std::uint8_t>(command[0] & 0x03), 0xC0, 0x00,
                                      0x00, answer.back()};
        answer = exchange(getResponse);
    }
    if (data.empty())
        return answer;
    data.insert(data.end(), answer.begin(), answer.end());
    return data;
}

} // namespace readerlink::pcsc
