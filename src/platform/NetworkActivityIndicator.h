#pragma once

// The handset's status-bar sign that the network is in use. A desktop window has no status
// bar, so while it is visible the program shows the busy pointer (the arrow with a wait sign),
// which says "working in the background" without stopping the user. Screens set it as they
// start and end loads; the last setting wins. GUI thread only.
class NetworkActivityIndicator {
public:
    static void setVisible(bool visible);
    static bool isVisible();
};
