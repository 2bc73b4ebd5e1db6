#include "simlink/IpcServices.h"

namespace {

IpcServices replacement;

}  // namespace

IpcServices DefaultIpcServices() {
    const bool replaced = replacement.transport != nullptr && replacement.clock != nullptr;
    return replaced ? replacement : PlatformIpcServices();
}

IpcServices ReplaceDefaultIpcServices(IpcServices services) {
    const IpcServices previous = DefaultIpcServices();
    replacement = services;
    return previous;
}
