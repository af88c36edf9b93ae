#pragma once

#include <QList>
#include <memory>
#include <optional>

#include "IndexPath.h"
#include "SectionTotal.h"

class FetchedResultsController;
class Game;
class PullFetchedRequestPullFetchedRequestMaker;

// Cuts the list's flat, sorted result into sections: consecutive runs of games that share a
// section type, a release band in date order (sortType 1) or a score band in score order
// (sortType 0); any other sort puts every game under "n/a". Runs are never merged, so the
// sort alone decides which games meet. In date order it also finds where the list scrolls:
// the upcoming release nearest today (newest first) or the first upcoming one (oldest first).
//
// Shares the list screen's section list, which it appends to and never empties; borrows the
// query builder, which must outlive it. Main thread only.
class Sectioner {
public:
    using SectionArray = QList<SectionTotal>;

    static std::unique_ptr<Sectioner> sectionerWithSectionArray(
        std::shared_ptr<SectionArray> sectionArray,
        PullFetchedRequestPullFetchedRequestMaker* requestMaker);
    Sectioner(std::shared_ptr<SectionArray> sectionArray,
              PullFetchedRequestPullFetchedRequestMaker* requestMaker);

    // Appends the sections of the result, read in order, and answers the scroll target; none
    // outside date order, for an empty result, or without an upcoming release. Today is read
    // once per run. Answers nothing and appends nothing without a section list.
    std::optional<IndexPath> setSectionArrayWitResults(const FetchedResultsController& results);
    std::optional<IndexPath> setSectionArrayWitResults(const QList<Game*>& games);

    const std::shared_ptr<SectionArray>& sectionArray() const { return sectionArray_; }
    void setSectionArray(std::shared_ptr<SectionArray> sectionArray) {
        sectionArray_ = std::move(sectionArray);
    }
    PullFetchedRequestPullFetchedRequestMaker* requestMaker() const { return requestMaker_; }
    void setRequestMaker(PullFetchedRequestPullFetchedRequestMaker* requestMaker) {
        requestMaker_ = requestMaker;
    }

    // The section type of a score: myScore when set and not 0, else the critic score.
    static int scoreSectionType(const Game& game);

private:
    std::shared_ptr<SectionArray> sectionArray_;
    PullFetchedRequestPullFetchedRequestMaker* requestMaker_;
};
