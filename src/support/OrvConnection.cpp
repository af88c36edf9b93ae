#include "OrvConnection.h"

#include <QNetworkInformation>
#include <QNetworkInterface>
#include <cstdio>

namespace {

OrvConnection::FlagsReader& flagsReader() {
    static OrvConnection::FlagsReader reader;
    return reader;
}

// Without a network-information backend: reachable when some interface other than loopback is
// up, running and has an address.
std::optional<unsigned> flagsFromInterfaces() {
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    if (interfaces.isEmpty()) {
        return std::nullopt;
    }
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) ||
            !flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning)) {
            continue;
        }
        if (!interface.addressEntries().isEmpty()) {
            return OrvConnection::kReachable;
        }
    }
    return 0u;
}

}  // namespace

std::optional<unsigned> OrvConnection::systemReachabilityFlags() {
    if (QNetworkInformation::instance() || QNetworkInformation::loadDefaultBackend()) {
        if (QNetworkInformation* information = QNetworkInformation::instance();
            information && information->supports(QNetworkInformation::Feature::Reachability)) {
            switch (information->reachability()) {
                case QNetworkInformation::Reachability::Online:
                case QNetworkInformation::Reachability::Site:
                case QNetworkInformation::Reachability::Local:
                    return kReachable;
                case QNetworkInformation::Reachability::Disconnected:
                    return 0u;
                case QNetworkInformation::Reachability::Unknown:
                    break;  // the backend does not know yet: look at the interfaces
            }
        }
    }
    return flagsFromInterfaces();
}

void OrvConnection::setReachabilityFlagsReader(FlagsReader reader) {
    flagsReader() = std::move(reader);
}

bool OrvConnection::isConnectedToNetwork() {
    const FlagsReader& reader = flagsReader();
    const std::optional<unsigned> flags = reader ? reader() : systemReachabilityFlags();
    if (!flags) {
        std::puts("Error. Could not recover network reachability flags");
        std::fflush(stdout);
        return false;
    }
    return (*flags & kReachable) != 0 && (*flags & kConnectionRequired) == 0;
}
