#include "BoxArtListener.h"

#include <QCoreApplication>

#include "ImageLoader.h"
#include "NotificationCenter.h"

BoxArtListener::BoxArtListener(Handler handler)
    : state_(std::make_shared<State>(State{std::move(handler), QString()})) {}

BoxArtListener::~BoxArtListener() {
    stop();
}

void BoxArtListener::listen(const QString& imageURL) {
    stop();
    name_ = ImageLoader::kImagePulledPrefix + imageURL;
    state_->name = name_;
    std::weak_ptr<State> weak = state_;
    NotificationCenter::defaultCenter()->addObserver(
        static_cast<const void*>(this), name_, [weak](const Notification& notification) {
            // Runs on a worker: touch nothing of the listener here.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [weak, notification] {
                    const std::shared_ptr<State> state = weak.lock();
                    if (state && state->name == notification.name()) {
                        state->handler(notification);
                    }
                },
                Qt::QueuedConnection);
        });
}

void BoxArtListener::stop() {
    if (name_.isEmpty()) {
        return;
    }
    NotificationCenter::defaultCenter()->removeObserver(static_cast<const void*>(this));
    name_.clear();
    state_->name.clear();
}
