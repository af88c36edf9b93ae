#pragma once

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

// The one shared source of box art. Asked for an image address, it answers at once with what it
// has (memory cache or the disk copy in "<documents>/box-art/"), or with the waiting image while
// a worker thread downloads the address, or with the not-found image. At most six workers run;
// waiting requests are served oldest first, and an address already queued or downloading is not
// queued again. Each finished download (failures included) is announced by the notification
// kImagePulledPrefix + address, posted from the worker thread with the details "image" and
// "imageURL"; observers must move their work to the main thread themselves.
//
// Any thread may ask for images; the object lives on the main thread, which starts the workers.
// Disk copies are replaced atomically and never removed here.
class ImageLoader : public QObject {
    Q_OBJECT

public:
    // Answers the bytes at an address, or null when there are none; blocks, so it must give up
    // on its own after a while.
    using Downloader = std::function<QByteArray(const QString& url)>;

    static inline const QString kImagePulledPrefix = QStringLiteral("NOTF_PREFACE_IMAGE_PULLED_");
    static inline const QString kLoadingImageName = QStringLiteral("frame_loading_xbox360.png");
    static inline const QString kNotFoundImageName =
        QStringLiteral("frame_unavailable_xbox360.png");
    static inline const QString kFolderName = QStringLiteral("box-art");
    static constexpr int kMaxWorkers = 6;
    // The memory cache holds at most this many kilobytes of decoded pictures.
    static constexpr int kMemoryCacheKilobytes = 64 * 1024;
    static constexpr int kDefaultDownloadTimeoutMsecs = 30000;
    // The largest picture a download takes: box art runs to tens of kilobytes, a large print
    // scan to a few megabytes; bigger answers are aborted as they arrive and count as failed.
    static constexpr qint64 kMaxImageBytes = 8 * 1024 * 1024;
    // How long an idle worker thread waits for another request before it ends.
    static constexpr int kWorkerIdleSeconds = 5;

    // The shared instance, created on first use (on the main thread when there is one).
    static ImageLoader* instanceOf();
    // Tests: destroys the shared instance after its workers have given up their downloads and
    // ended, as the end of a run would; the next instanceOf() starts afresh from the disk.
    // REQUIRES: main thread, and no worker waiting for the main thread.
    static void resetInstance();

    // Replaces how workers fetch bytes (tests use a transport of plain C++); empty restores the
    // blocking Qt download.
    static void setDownloader(Downloader downloader);
    // Longest wait of the Qt download in milliseconds; 0 or less restores 30 s.
    static void setDownloadTimeout(int msecs);
    static int downloadTimeout();

    // The address's letters and digits alone: the name of its disk copy (without ".jpg") and its
    // memory-cache key. Two addresses that differ only in punctuation share one key.
    static QString fileKey(const QString& imageURL);

    void initializeSingleton();

    // The image from memory or disk, or a null image; never downloads.
    QImage getCachedOrDiskImageForImageURL(const QString& imageURL);
    // An image to show now: the not-found image for no address or a failed one, the memory copy,
    // else the disk copy or the waiting image while a download is queued behind it.
    QImage getImageForImageURL(const QString& imageURL);

    QImage loadingImage();
    QImage notFoundImage();

    bool cacheImages() const;
    void setCacheImages(bool cacheImages);

    // Lets go of what memory can be given back: the memory cache, the waiting requests and the
    // failure list. Downloads under way finish and are announced.
    void dehydrate();

    QString imagePath() const;
    int currentlyWorkingThreads() const;
    // How many images the memory cache holds.
    int imageCacheCount() const;
    bool isFailed(const QString& imageURL) const;
    // Whether the address is waiting in the queue or being downloaded.
    bool isPending(const QString& imageURL) const;
    // Nothing waiting and no worker running.
    bool isIdle() const;

    ~ImageLoader() override;

private:
    // One download, queued or under way. The address it is filed and announced under and the
    // address fetched are the same text today; the record keeps both, as the handset's did.
    struct Request {
        QString imageURL;
        QString url;
        // As the handset's request record showed in the log.
        QString description() const;
    };

    ImageLoader();

    // Starts no more downloads, gives up those under way and waits until every worker has
    // ended. Done when the application object goes, and on destruction.
    void stopWorkers();
    static void stopSharedWorkers();

    QImage getLocalImageForImageURL(const QString& key);
    bool imageExists(const QString& key) const;
    QString filepathFor(const QString& key) const;
    void addItemToQueue(const Request& request, const QString& forimageURL);
    // REQUIRES: mu_ held. The oldest waiting request, now entered as working; none when nothing
    // waits.
    std::optional<Request> pullItemFromQueue();
    void executePuller();
    Q_INVOKABLE void workNextItemInQueue();
    // A pool task: takes the request handed to it and works it.
    void runWorker();
    void thread_workNextItemInQueue(const Request& request);
    // The image, or the not-found image and the failure entry: steps of one worker.
    QImage pullImage(const QString& url, const QString& key);
    // REQUIRES: mu_ held. Keeps the picture in the memory cache under the file key.
    void cacheImage(const QString& key, const QImage& image);
    // Stores the disk copy, the image encoded as JPEG at quality 100; replaces an earlier copy
    // whole.
    bool saveImage(const QImage& image, const QString& withimageURL);
    // The end of one download: frees the worker's place and asks the main thread to start the
    // next request.
    void finishWorker(const QString& key);
    // REQUIRES: mu_ held. The fixed picture in the slot, loaded on first use.
    QImage fixedImage(QImage& slot, const QString& name);

    // Set at construction, before any worker runs; read without the lock.
    QString imagePath_;

    // One plain lock over the state below; no helper that needs it held takes it again.
    mutable std::mutex mu_;
    // Waiting requests, newest first; workers take from the back.
    QList<Request> queue_;
    QHash<QString, Request> queueList_;
    QHash<QString, QDateTime> failureList_;
    QHash<QString, QString> workingList_;
    // Keyed by the file key on every path, so a copy stored by a worker is found by both lookups.
    // Bounded by the decoded pictures' bytes, the least recently used going first.
    QCache<QString, QImage> imageCache_{kMemoryCacheKilobytes};
    int currentlyWorkingThreads_ = 0;
    // Requests given to the pool, each taken up by the next task that runs. Handed over under
    // the lock rather than inside the task, so the worker reads nothing the caller wrote
    // without it.
    QList<Request> handOff_;
    QImage notFoundImage_;
    QImage loadingImage_;
    bool cacheImages_ = true;
    // Set by stopWorkers: no worker starts any more.
    bool stopping_ = false;

    // Read by downloads under way, which give up once it turns true.
    std::atomic<bool> abandon_{false};
    // The workers. Threads left idle keep their network manager for the next request (a new
    // thread and manager cost more than a small image's whole download) and end after
    // kWorkerIdleSeconds. Last, so it is drained before the state its tasks use goes.
    QThreadPool pool_;
};
