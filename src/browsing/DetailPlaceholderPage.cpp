#include "DetailPlaceholderPage.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Game.h"
#include "NavigationController.h"

using namespace Qt::Literals::StringLiterals;

DetailPlaceholderPage::DetailPlaceholderPage(QWidget* parent)
    : QWidget(parent),
      title_(new QLabel(this)),
      facts_(new QLabel(this)),
      back_(new QPushButton(u"Back"_s, this)) {
    setAutoFillBackground(true);
    setStyleSheet(u"DetailPlaceholderPage { background-color: rgb(214, 214, 214); }"_s);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    titleFont.setPointSize(14);
    title_->setFont(titleFont);
    title_->setWordWrap(true);
    facts_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(back_, 0, Qt::AlignLeft);
    layout->addSpacing(8);
    layout->addWidget(title_);
    layout->addWidget(facts_);
    layout->addStretch(1);
    connect(back_, &QPushButton::clicked, this, [this] {
        if (NavigationController* navigation = NavigationController::navigationControllerOf(this)) {
            navigation->popViewControllerAnimated(true);
        }
    });
}

DetailPlaceholderPage::~DetailPlaceholderPage() = default;

void DetailPlaceholderPage::setGame(Game* game) {
    game_ = game;
    title_->setText(game ? game->title() : QString());
    setWindowTitle(title_->text());
    QStringList facts;
    if (game) {
        for (const QString& fact :
             {game->platformDescription(), game->genreDescription(), game->publisher()}) {
            if (!fact.isEmpty()) {
                facts.append(fact);
            }
        }
        if (game->releaseDate().isValid()) {
            facts.append(game->releaseDate().date().toString(u"MMMM d, yyyy"_s));
        }
    }
    facts_->setText(facts.join(u'\n'));
}
