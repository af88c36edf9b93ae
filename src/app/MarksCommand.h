#pragma once

class LaunchOptions;

// A run without a window for --export FILE and --import FILE: opens the store of the data home,
// does the one thing, prints what it did (or why it could not) and answers the exit status. An
// import into a home whose catalogue is not installed installs the shipped one first, as a first
// start would, so that its games are there to take the marks. An import waits for no running
// program: it refuses while one holds the data home, whose unsaved marks would later overwrite
// the file's.
class MarksCommand {
public:
    enum Status { Done = 0, BadInput = 1, StoreFailed = 2 };
    static int run(const LaunchOptions& options);
};
