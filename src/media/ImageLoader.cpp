#include "ImageLoader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QThreadStorage>
#include <QVariantMap>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>

#include "Console.h"
#include "DateFunctions.h"
#include "FileFunctions.h"
#include "Format.h"
#include "MyLog.h"
#include "NotificationCenter.h"
#include "OrvHTTPServices.h"
#include "StringFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The shared instance and what replaces the download; each under a lock of its own, as any
// thread may reach them.
std::mutex gInstanceMutex;
ImageLoader* gInstance = nullptr;

std::mutex gDownloaderMutex;
ImageLoader::Downloader gDownloader;

std::atomic<int> gDownloadTimeout{ImageLoader::kDefaultDownloadTimeoutMsecs};

// Numbers the partly written disk copies, so two workers saving under one file key never share
// a file.
std::atomic<quint64> gSaveNumber{0};

const QString kKeyImageURL = u"imageURL"_s;
const QString kKeyURL = u"url"_s;

// The network manager of each worker thread, made on its first Qt download and reused by the
// thread's later ones; Qt deletes it on that thread when the thread ends.
QThreadStorage<QNetworkAccessManager*> gWorkerManagers;

QByteArray download(const QString& url, const std::atomic<bool>* abandon) {
    ImageLoader::Downloader downloader;
    {
        std::lock_guard lock(gDownloaderMutex);
        downloader = gDownloader;
    }
    if (downloader) {
        return downloader(url);
    }
    if (!gWorkerManagers.hasLocalData()) {
        gWorkerManagers.setLocalData(new QNetworkAccessManager());
    }
    return OrvHTTPServices::getDataFromURL(url, ImageLoader::downloadTimeout(),
                                           gWorkerManagers.localData(), abandon,
                                           ImageLoader::kMaxImageBytes);
}

}  // namespace

ImageLoader* ImageLoader::instanceOf() {
    std::lock_guard lock(gInstanceMutex);
    if (!gInstance) {
        gInstance = new ImageLoader();
        gInstance->initializeSingleton();
        static std::once_flag stopAtExit;
        if (QCoreApplication::instance()) {
            // Workers must be gone before Qt's networking goes with the application object.
            std::call_once(stopAtExit, [] { qAddPostRoutine(stopSharedWorkers); });
        }
    }
    return gInstance;
}

void ImageLoader::stopSharedWorkers() {
    ImageLoader* loader = nullptr;
    {
        std::lock_guard lock(gInstanceMutex);
        loader = gInstance;
    }
    // Waited for outside the class lock, which a worker's observer may want meanwhile.
    if (loader) {
        loader->stopWorkers();
    }
}

void ImageLoader::resetInstance() {
    ImageLoader* loader = nullptr;
    {
        std::lock_guard lock(gInstanceMutex);
        std::swap(loader, gInstance);
    }
    delete loader;
}

void ImageLoader::setDownloader(Downloader downloader) {
    std::lock_guard lock(gDownloaderMutex);
    gDownloader = std::move(downloader);
}

void ImageLoader::setDownloadTimeout(int msecs) {
    gDownloadTimeout = msecs > 0 ? msecs : kDefaultDownloadTimeoutMsecs;
}

int ImageLoader::downloadTimeout() {
    return gDownloadTimeout;
}

QString ImageLoader::fileKey(const QString& imageURL) {
    return StringFunctions::replaceNonAlphaNumeric(imageURL);
}

QString ImageLoader::Request::description() const {
    return describe(QVariantMap{{kKeyImageURL, imageURL}, {kKeyURL, url}});
}

ImageLoader::ImageLoader() {
    pool_.setMaxThreadCount(kMaxWorkers);
    pool_.setExpiryTimeout(kWorkerIdleSeconds * 1000);
    // Workers hand the next start back to this object's thread, which must run an event loop.
    if (QCoreApplication* app = QCoreApplication::instance(); app && thread() != app->thread()) {
        moveToThread(app->thread());
    }
    imagePath_ =
        Format::format(u"%@/%@/"_s, FileFunctions::getDocumentDirectoryPath(), kFolderName);
    MYLOG_IF(0, u"image path: %@"_s, imagePath_);
    if (!FileFunctions::fileExistsAtPath(imagePath_)) {
        MYLOG_IF(0, u"Creating the avatar directory"_s);
        FileFunctions::createDirectoryAtPath(imagePath_);
    }
}

ImageLoader::~ImageLoader() {
    stopWorkers();
}

void ImageLoader::stopWorkers() {
    {
        std::lock_guard lock(mu_);
        stopping_ = true;
        queue_.clear();
        queueList_.clear();
    }
    abandon_ = true;
    // Outside the lock, which the workers need to finish. Also ends the idle threads, so their
    // network managers go while Qt's networking is still there.
    pool_.waitForDone();
    // Every task touches this object last under the lock; taking it once more orders those
    // steps before what the caller does next (destroying the object), which the pool's own
    // hand-over does not show to a race checker.
    std::lock_guard lock(mu_);
}

void ImageLoader::initializeSingleton() {}

QImage ImageLoader::getCachedOrDiskImageForImageURL(const QString& imageURL) {
    const QString key = fileKey(imageURL);
    if (key.isEmpty()) {
        return QImage();
    }
    {
        std::lock_guard lock(mu_);
        if (const QImage* cached = imageCache_.object(key)) {
            MYLOG_IF(0, u"Got item from cache: %@"_s, key);
            return *cached;
        }
    }
    const QImage image = getLocalImageForImageURL(key);
    if (!image.isNull()) {
        std::lock_guard lock(mu_);
        if (cacheImages_) {
            cacheImage(key, image);
            MYLOG_IF(0, u"Got item from DISK: %@"_s, key);
        }
    }
    return image;
}

QImage ImageLoader::getImageForImageURL(const QString& imageURL) {
    if (imageURL.isEmpty()) {
        return notFoundImage();
    }
    const QString key = fileKey(imageURL);
    {
        std::lock_guard lock(mu_);
        // A failed address is not tried again while it stays listed.
        if (failureList_.contains(imageURL)) {
            return fixedImage(notFoundImage_, kNotFoundImageName);
        }
        if (const QImage* cached = imageCache_.object(key)) {
            return *cached;
        }
    }
    MYLOG_IF(0, u"Image path: %@"_s, filepathFor(key));
    // A disk copy is shown at once and fetched again behind it, so art changed on the server
    // replaces the old copy.
    const QImage diskImage = getLocalImageForImageURL(key);
    addItemToQueue(Request{imageURL, imageURL}, imageURL);
    executePuller();
    return diskImage.isNull() ? loadingImage() : diskImage;
}

QImage ImageLoader::loadingImage() {
    std::lock_guard lock(mu_);
    return fixedImage(loadingImage_, kLoadingImageName);
}

QImage ImageLoader::notFoundImage() {
    std::lock_guard lock(mu_);
    return fixedImage(notFoundImage_, kNotFoundImageName);
}

QImage ImageLoader::fixedImage(QImage& slot, const QString& name) {
    if (slot.isNull()) {
        slot.load(FileFunctions::getPathForBundleResource(name));
        if (slot.isNull()) {
            MYLOG(u"The image %@ is missing from the bundle"_s, name);
        }
    }
    return slot;
}

bool ImageLoader::cacheImages() const {
    std::lock_guard lock(mu_);
    return cacheImages_;
}

void ImageLoader::setCacheImages(bool cacheImages) {
    std::lock_guard lock(mu_);
    cacheImages_ = cacheImages;
}

void ImageLoader::dehydrate() {
    MYLOG(u"ImageLoader dehydrating"_s);
    std::lock_guard lock(mu_);
    imageCache_.clear();
    queue_.clear();
    queueList_.clear();
    failureList_.clear();
    // workingList_ stays: those downloads are still running, and forgetting them would let the
    // same address be fetched twice at once.
}

QString ImageLoader::imagePath() const {
    return imagePath_;
}

int ImageLoader::currentlyWorkingThreads() const {
    std::lock_guard lock(mu_);
    return currentlyWorkingThreads_;
}

int ImageLoader::imageCacheCount() const {
    std::lock_guard lock(mu_);
    return int(imageCache_.count());
}

void ImageLoader::cacheImage(const QString& key, const QImage& image) {
    // A picture larger than the whole cache is not kept.
    imageCache_.insert(key, new QImage(image),
                       int(std::max<qsizetype>(1, image.sizeInBytes() / 1024)));
}

bool ImageLoader::isFailed(const QString& imageURL) const {
    std::lock_guard lock(mu_);
    return failureList_.contains(imageURL);
}

bool ImageLoader::isPending(const QString& imageURL) const {
    std::lock_guard lock(mu_);
    return queueList_.contains(imageURL) || workingList_.contains(imageURL);
}

bool ImageLoader::isIdle() const {
    std::lock_guard lock(mu_);
    return queue_.isEmpty() && currentlyWorkingThreads_ == 0;
}

QImage ImageLoader::getLocalImageForImageURL(const QString& key) {
    // Decoded without the lock: disk copies are replaced whole (see saveImage), and holding the
    // lock here would make the screen wait for a worker's encoding.
    const QString path = filepathFor(key);
    QFile file(path);
    if (!imageExists(key) || !file.open(QIODevice::ReadOnly)) {
        return QImage();
    }
    const QByteArray bytes = file.readAll();
    file.close();
    // The decoder fills a cut-off picture with grey and calls it read: only a whole JPEG, from
    // its start marker to its end marker (as saveImage writes them), is shown.
    QImage image;
    if (bytes.startsWith("\xFF\xD8\xFF") && bytes.endsWith("\xFF\xD9")) {
        image.loadFromData(bytes, "JPG");
    }
    if (image.isNull()) {
        // Only ever a copy of a download: dropped, and fetched again when next asked for.
        Console::log(
            u"ImageLoader: the box art %@ is damaged (%lld bytes, not a whole JPEG); "
            u"dropped, to be fetched again"_s,
            path, qint64(bytes.size()));
        QFile::remove(path);
    }
    return image;
}

bool ImageLoader::imageExists(const QString& key) const {
    return FileFunctions::fileExistsAtPath(filepathFor(key));
}

QString ImageLoader::filepathFor(const QString& key) const {
    // The file key of a file key is itself, so addresses and keys both serve.
    return Format::format(u"%@%@.jpg"_s, imagePath(), fileKey(key));
}

void ImageLoader::addItemToQueue(const Request& request, const QString& forimageURL) {
    std::lock_guard lock(mu_);
    if (queueList_.contains(forimageURL) || workingList_.contains(forimageURL)) {
        MYLOG_IF(0, u"Q-SKIPPED: Item in image queue already %@"_s, forimageURL);
        return;
    }
    MYLOG_IF(0, u"Q-ADDED: Added item to image queue %@"_s, forimageURL);
    queue_.prepend(request);
    queueList_.insert(forimageURL, request);
}

std::optional<ImageLoader::Request> ImageLoader::pullItemFromQueue() {
    if (queue_.isEmpty()) {
        return std::nullopt;
    }
    Request request = queue_.takeLast();
    queueList_.remove(request.imageURL);
    workingList_.insert(request.imageURL, request.imageURL);
    MYLOG_IF(0, u"RETURNING ITEM: %@"_s, request);
    return request;
}

void ImageLoader::executePuller() {
    if (currentlyWorkingThreads() < kMaxWorkers) {
        workNextItemInQueue();
    } else {
        MYLOG_IF(0, u"Already working... going away"_s);
    }
}

void ImageLoader::workNextItemInQueue() {
    std::lock_guard lock(mu_);
    // Checked again under the lock: requests from several threads, or a finishing worker's
    // hand-back, may have filled the places since.
    if (stopping_ || currentlyWorkingThreads_ >= kMaxWorkers) {
        return;
    }
    std::optional<Request> request = pullItemFromQueue();
    if (!request) {
        MYLOG_IF(0, u"Reached the bottom of the Queue. Sleep tight."_s);
        return;
    }
    ++currentlyWorkingThreads_;
    handOff_.append(std::move(*request));
    // Started under the lock, so a stopWorkers that follows always finds the task in the pool.
    // An idle thread takes it up before a new one starts.
    pool_.start([this] { runWorker(); });
}

void ImageLoader::runWorker() {
    Request request;
    {
        std::lock_guard lock(mu_);
        request = handOff_.takeFirst();
        // Given up unannounced once the loader stops, as a waiting request is.
        if (stopping_) {
            workingList_.remove(request.imageURL);
            --currentlyWorkingThreads_;
            return;
        }
    }
    thread_workNextItemInQueue(request);
}

void ImageLoader::thread_workNextItemInQueue(const Request& request) {
    MYLOG_IF(0, u"Working next item in queue: %@"_s, request);
    const QString& url = request.url;
    const QString& key = request.imageURL;
    QImage image;
    try {
        image = pullImage(url, key);
    } catch (const std::exception& error) {
        MYLOG(u"Some error during load of the image: %s"_s, error.what());
        image = notFoundImage();
    } catch (...) {
        MYLOG(u"Some error during load of the image: %s"_s, "unknown exception");
        image = notFoundImage();
    }
    if (image.isNull()) {
        MYLOG(u"Looks like the not found image is not found either!!"_s);
    }
    const QString name = kImagePulledPrefix + key;
    MYLOG_IF(0, u"Sent completed notification %@"_s, name);
    NotificationCenter::defaultCenter()->postNotificationName(
        name, QVariant::fromValue(this),
        QVariantMap{{u"image"_s, QVariant::fromValue(image)}, {kKeyImageURL, key}});
    finishWorker(key);
}

QImage ImageLoader::pullImage(const QString& url, const QString& key) {
    MYLOG_IF(0, u"Pulling Image: %@"_s, url);
    const QImage image = QImage::fromData(download(url, &abandon_));
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        MYLOG_IF(0, u"Failure pulling Image: %@"_s, url);
        std::lock_guard lock(mu_);
        failureList_.insert(key, DateFunctions::getNow());
        return fixedImage(notFoundImage_, kNotFoundImageName);
    }
    MYLOG_IF(0, u"Success pulling Image: %@"_s, url);
    saveImage(image, key);
    std::lock_guard lock(mu_);
    // Only real art is kept: the not-found stand-in would hide the address from a later retry.
    if (cacheImages_) {
        cacheImage(fileKey(key), image);
    }
    return image;
}

bool ImageLoader::saveImage(const QImage& image, const QString& withimageURL) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 100)) {
        MYLOG_IF(0, u"Could not encode the image of %@"_s, withimageURL);
        return false;
    }
    const QString path = filepathFor(withimageURL);
    QDir().mkpath(QFileInfo(path).path());
    // Written under a name of its own and renamed over the copy, so a reader never meets half an
    // image. Not synced to disk as QSaveFile would (milliseconds a picture, on each worker's way
    // to its next download): a copy lost to a power cut reads as damaged and is fetched again.
    const QString partPath = u"%1.%2.part"_s.arg(path).arg(++gSaveNumber);
    QFile part(partPath);
    bool saved =
        part.open(QIODevice::WriteOnly | QIODevice::Truncate) && part.write(jpeg) == jpeg.size();
    part.close();
    saved = saved && part.error() == QFileDevice::NoError &&
            std::rename(QFile::encodeName(partPath).constData(),
                        QFile::encodeName(path).constData()) == 0;
    if (!saved) {
        QFile::remove(partPath);
        MYLOG_IF(0, u"Could not save the image of %@ to %@"_s, withimageURL, path);
    }
    return saved;
}

void ImageLoader::finishWorker(const QString& key) {
    {
        std::lock_guard lock(mu_);
        workingList_.remove(key);
        --currentlyWorkingThreads_;
        if (stopping_) {
            return;
        }
        // By name, so the call event is made and read inside Qt alone. Posted under the lock, so
        // the worker's last touch of this object is ordered before stopWorkers returns.
        if (QCoreApplication::instance()) {
            QMetaObject::invokeMethod(this, "workNextItemInQueue", Qt::QueuedConnection);
            return;
        }
    }
    workNextItemInQueue();
}
