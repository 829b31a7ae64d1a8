#include "station/station_serial_link.h"

#include "common/text.h"

namespace readerlink::station {

std::function<std::optional<std::string>(const std::u16string& portName)>
portsSection(Station& station) {
    return [&station](const std::u16string& name) -> std::optional<std::string> {
        if (ProfileFile* settings = station.settings())
            if (auto value = settings->read(u"Ports", name))
                return toUtf8(*value);
        return std::nullopt;
    };
}

StationSerialLink::StationSerialLink(Station& station,
                                     std::unique_ptr<serial::SerialDeviceFactory> devices,
                                     UiThread& mainThread)
    : station_(station), devices_(std::move(devices)), port_(*devices_, mainThread),
      channel_(
          port_, station.bufferTimer(), station.scanData(), station, station.dialogs(),
          [&station] { station.BtnSendDataClick(); },
          [&station] { return ReaderChoice{station.readerIndex()}; }),
      replug_(port_, *devices_, mainThread, station) {
    serial::ConfigureForMrzReader(port_);
    channel_.reopenAfterReplug(replug_);
    channel_.diagnoseWith(*devices_);
    // The channel binds the timer straight to itself; the station's handler
    // goes back so that what the burst's delivery throws reaches the default
    // error display.
    station.bufferTimer().setHandler(
        [this] { station_.dispatch([this] { channel_.BufferTimerTimer(); }); });
}

StationSerialLink::~StationSerialLink() {
    replug_.cancel();
    station_.bufferTimer().stop();
    station_.bufferTimer().setHandler({});
    port_.Close();
}

void StationSerialLink::connect() {
    channel_.Connect(station_.comPort());
}

} // namespace readerlink::station
