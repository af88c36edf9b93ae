#pragma once

// A place in a sectioned list: a row within a section.
struct IndexPath {
    int row = 0;
    int section = 0;
    bool operator==(const IndexPath&) const = default;
};
