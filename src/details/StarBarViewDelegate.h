#pragma once

// What the star bar tells the screen that holds it. Held without ownership; every call comes on
// the main thread. The defaults do nothing, as a receiver that does not answer a message.
class StarBarViewDelegate {
public:
    virtual ~StarBarViewDelegate();

    // A drag is under way at this score: show it large.
    virtual void showMyScoreOveraly(float myScore);
    virtual void hideMyScoreOveraly();
    // The game's myScore (and scoreDisplay) have been written: save and tell the others.
    virtual void myScoreChanged();
};
