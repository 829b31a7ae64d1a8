#include "serial/com_events.h"

#include <array>
#include <utility>

#include "serial/serial_device.h"

namespace readerlink::serial {
namespace {

constexpr std::array<std::pair<ComEvent, std::uint32_t>, 10> kEventMask = {{
    {ComEvent::evRxChar, device::EV_RXCHAR},
    {ComEvent::evTxEmpty, device::EV_TXEMPTY},
    {ComEvent::evRxFlag, device::EV_RXFLAG},
    {ComEvent::evRing, device::EV_RING},
    {ComEvent::evBreak, device::EV_BREAK},
    {ComEvent::evCTS, device::EV_CTS},
    {ComEvent::evDSR, device::EV_DSR},
    {ComEvent::evError, device::EV_ERR},
    {ComEvent::evRLSD, device::EV_RLSD},
    {ComEvent::evRx80Full, device::EV_RX80FULL},
}};

constexpr std::array<std::pair<ComError, std::uint32_t>, 8> kErrorFlags = {{
    {ComError::ceFrame, device::CE_FRAME},
    {ComError::ceRxParity, device::CE_RXPARITY},
    {ComError::ceOverrun, device::CE_OVERRUN},
    {ComError::ceBreak, device::CE_BREAK},
    {ComError::ceIO, device::CE_IOE},
    {ComError::ceMode, device::CE_MODE},
    {ComError::ceRxOver, device::CE_RXOVER},
    {ComError::ceTxFull, device::CE_TXFULL},
}};

} // namespace

std::uint32_t EventsToMask(ComEvents events) {
    std::uint32_t mask = 0;
    for (const auto& [event, bit] : kEventMask)
        if (events.contains(event))
            mask |= bit;
    return mask;
}

ComEvents MaskToEvents(std::uint32_t mask) {
    ComEvents events;
    for (const auto& [event, bit] : kEventMask)
        if ((mask & bit) != 0)
            events.insert(event);
    return events;
}

ComErrors ErrorsFromDeviceFlags(std::uint32_t flags) {
    ComErrors errors;
    for (const auto& [error, bit] : kErrorFlags)
        if ((flags & bit) != 0)
            errors.insert(error);
    return errors;
}

} // namespace readerlink::serial
