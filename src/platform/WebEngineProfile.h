#pragma once

class QWebEngineProfile;

// The one browser profile of the process, shared by every WebView: its disk cache and its
// storage live in the data home, so pages load from the cache across runs. Made on first use,
// which starts the engine (the costly part); deleted before the engine shuts down at the
// application's end. GUI thread only.
class WebEngineProfile {
public:
    static QWebEngineProfile* shared();
    // Whether shared() has been called yet (no engine has started before it).
    static bool exists();

    // The engine's own command-line switches, added to QTWEBENGINE_CHROMIUM_FLAGS once (the
    // user's own switches stay): software rendering when there is no screen, and no sandbox when
    // running as root, which Chromium refuses otherwise. They count only before the engine
    // starts. Answers whether the sandbox is off.
    static bool addEngineSwitches();
};
