#pragma once

#include "clipboard/ClipboardMonitor.h"
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/Store.h"

#include <memory>

// What a copy passes through in the running Quillet, from the monitor to the
// stored entry, over a real pasteboard and workspace; the monitor runs.
namespace quillet::bench {

struct CaptureChain {
    std::unique_ptr<Store> store;
    ExcludedAppsService excluded;
    HistoryManager history;
    ClipboardMonitor monitor;

    CaptureChain(Pasteboard &pasteboard, Workspace &workspace, Defaults &defaults, const QString &storePath)
        : store(Store::open(storePath, nullptr))
        , excluded(defaults, workspace)
        , history(*store, excluded, defaults, Clock::system())
        , monitor(pasteboard, workspace, defaults, Clock::system(),
              [this](const PasteboardSnapshot &snapshot) { history.addSnapshot(snapshot); })
    {
        monitor.start();
    }
};

} // namespace quillet::bench
