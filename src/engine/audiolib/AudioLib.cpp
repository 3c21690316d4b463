// The audio library layer's UI side: handles, devices, commands to the mixers, queries
// answered from what was commanded plus what the callbacks published. Every call here is
// made on the UI thread; the real-time side is Mixer, the disk side DiskThread.
#include "engine/audiolib/AudioLib.h"

#include "engine/audiolib/DeviceBackend.h"
#include "engine/audiolib/DiskThread.h"
#include "engine/audiolib/Mixer.h"
#include "engine/audiolib/StreamPrepare.h"
#include "engine/dsp/Effect.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <unordered_map>
#include <utility>

namespace kalvor::audio {

QEvent::Type EngineMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type DeviceLostEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type DeviceBackEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

namespace {

constexpr int kDefaultBufferMs = 500;
constexpr int kDefaultPreBufferMs = 500;
constexpr int kOfflineChunk = 1024; // the offline device's period
constexpr std::uint32_t kSyncKindMask = 0xffffu;

} // namespace

// What the UI side keeps per stream, beside the shared Stream.
struct UiStream {
    Stream* s = nullptr;
    ActiveState state = ActiveState::Stopped;
    std::uint64_t feedSerial = 0;  // last feed sent
    std::int64_t feedStart = 0;    // where it starts
    std::uint64_t slideSerial = 0; // last volume command sent (set or slide)
    std::uint64_t playSerial = 0;  // last play sent
    bool lastWasSlide = false;
    int queuedSlides = 0; // queued since the last set or slide (the mixer's queue is fixed)
    int volume = 100;
    int pan = 0;
    int freq = 0;
    int preBufferMs = kDefaultPreBufferMs;
    bool fadeInNextStart = false;
    int syncCount = 0;
    int fxCount = 0;
};

struct SyncRecord {
    Handle stream = 0;
    std::uint32_t type = 0;
};

// The effect itself belongs to the mixer once attached; the UI side only sets and reads
// its parameters, which the effect takes through its own lock-free mailbox.
struct FxRecord {
    Handle stream = 0;
    engine::dsp::Effect* effect = nullptr;
};

struct DeviceSlot {
    BackendDevice desc;
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<OutputStream> out;
    QPointer<QObject> window;
    bool initialised = false;
    bool lostReported = false;
    std::chrono::steady_clock::time_point nextReopen; // while lost: the next try
};

struct AudioLib::Impl {
    std::shared_ptr<DeviceBackend> backend;
    DecoderFactory openDecoder;
    RateConverter::Kind converter = RateConverter::kDefault;
    std::chrono::milliseconds reopenInterval{1000};
    std::vector<DeviceSlot> devices;
    int current = 0; // 1-based; 0 = none
    mutable Error error = Error::Ok;
    int bufferMs = kDefaultBufferMs;
    bool logVolume = true;
    bool logPan = true;
    int batchDepth = 0;
    Handle nextHandle = 1;
    std::unordered_map<Handle, UiStream> streams;
    std::unordered_map<Handle, SyncRecord> syncs;
    std::unordered_map<Handle, FxRecord> fx;
    std::unique_ptr<DiskThread> disk;
    std::unique_ptr<QTimer> timer;
    std::vector<PreparedStream> prepared;

    bool fail(Error e) const {
        error = e;
        return false;
    }
    bool ok() const {
        error = Error::Ok;
        return true;
    }
    DeviceSlot* currentSlot() {
        if (current < 1 || current > static_cast<int>(devices.size()))
            return nullptr;
        return &devices[static_cast<std::size_t>(current - 1)];
    }
    const UiStream* find(Handle h) const {
        auto it = streams.find(h);
        if (it == streams.end()) {
            error = Error::Handle;
            return nullptr;
        }
        return &it->second;
    }
    UiStream* find(Handle h) { return const_cast<UiStream*>(std::as_const(*this).find(h)); }
    DeviceSlot& slotOf(const UiStream& u) { return devices[static_cast<std::size_t>(u.s->device)]; }
    const DeviceSlot& slotOf(const UiStream& u) const {
        return devices[static_cast<std::size_t>(u.s->device)];
    }

    Handle newHandle() {
        Handle h = nextHandle++;
        if (nextHandle == 0)
            nextHandle = 1;
        return h;
    }

    // Sends a command to a device's mixer; inside a batch it is staged until endBatch.
    bool send(DeviceSlot& dev, const Command& c) {
        Mixer& m = *dev.mixer;
        for (int attempt = 0;; ++attempt) {
            if (batchDepth > 0 ? m.commands.stage(c) : m.commands.push(c))
                return true;
            // Full: a live device drains it within a period; a caller-driven or dead one
            // never will, and we do not wait for it.
            if (!dev.out || dev.out->callerDriven() || dev.out->failed() || attempt > 200)
                return fail(Error::Unknown);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    bool send(UiStream& u, Command c) {
        c.stream = u.s;
        return send(slotOf(u), c);
    }

    std::size_t ringFrames(const Stream& s) const { return feedFrames(bufferMs, s.rate); }

    // What prepareStreams made for this file, taken out of the list.
    PreparedStream takePrepared(const QString& path, engine::DecoderRoute route) {
        auto it = std::find_if(prepared.begin(), prepared.end(), [&](const PreparedStream& p) {
            return p.decoder && p.request.route == route && p.request.path == path;
        });
        if (it == prepared.end())
            return {};
        PreparedStream p = std::move(*it);
        prepared.erase(it);
        return p;
    }

    // A new stream's first feed, decoded ahead by prepareStreams.
    bool adoptFeed(UiStream& u, std::unique_ptr<Feed> feed) {
        Stream& s = *u.s;
        {
            std::lock_guard lock(s.diskMutex);
            s.diskFeed = feed.get();
        }
        Command c;
        c.type = Command::SetFeed;
        c.feed = feed.release();
        c.serial = ++u.feedSerial;
        u.feedStart = 0;
        return send(u, c);
    }

    // A new feed from `frame`, pre-buffered here before the mixer gets it, so a play that
    // follows takes effect at the next period. `goesOn`: the stream is playing and goes on
    // from there, even if it reaches its end before the mixer takes the feed; that counts
    // as a play of its own.
    bool startFeed(UiStream& u, std::int64_t frame, int preBufferMs, bool goesOn = false) {
        Stream& s = *u.s;
        // A stream that played to its end is stopped, whatever was commanded before; the
        // new feed must not make it look as if it played on.
        if (feedEnded(u) && u.state == ActiveState::Playing)
            u.state = ActiveState::Stopped;
        auto* feed = new Feed(ringFrames(s), s.channels, frame, ringSamples(*s.decoder));
        {
            std::lock_guard lock(s.diskMutex);
            if (!s.decoder->seek(frame)) {
                delete feed;
                return fail(Error::Position);
            }
            s.diskFeed = feed;
            // A caller-driven device tops up before every period; reading far ahead would
            // only push the frames out of the cache before they are mixed.
            const bool pulled = slotOf(u).out && slotOf(u).out->callerDriven();
            const auto target =
                pulled ? std::size_t(1)
                       : static_cast<std::size_t>(
                             static_cast<std::int64_t>(std::max(preBufferMs, 0)) * s.rate / 1000);
            fillFeed(s, std::max<std::size_t>(target, 1), AtEnd::Decide,
                     pulled ? Reach::WholeChunks : Reach::Exactly);
        }
        Command c;
        c.type = Command::SetFeed;
        c.feed = feed;
        c.serial = ++u.feedSerial;
        c.i = goesOn ? static_cast<std::int64_t>(u.playSerial + 1) : 0;
        u.feedStart = frame;
        if (!send(u, c))
            return false;
        if (goesOn)
            ++u.playSerial;
        return true;
    }

    bool feedEnded(const UiStream& u) const {
        return u.s->endedFeedSerial.load(std::memory_order_acquire) == u.feedSerial;
    }

    void deleteStream(Stream* s) {
        for (int i = 0; i < s->voice.fxCount; ++i)
            delete s->voice.fx[i].effect;
        delete s->voice.feed;
        delete s;
    }

    // Syncs out to the windows, retired streams and feeds freed.
    void drain(DeviceSlot& dev) {
        if (!dev.mixer)
            return;
        SyncEvent e;
        while (dev.mixer->events.pop(e)) {
            if (e.removed)
                syncs.erase(e.sync);
            if (auto it = streams.find(e.stream); it != streams.end() && e.removed)
                --it->second.syncCount;
            if (dev.window)
                QCoreApplication::postEvent(
                    dev.window, new EngineMessageEvent(e.message, e.slot, e.stream, e.deviceFrame,
                                                       e.sync, e.playSerial));
        }
        drainRetired(dev);
        if (!dev.initialised || !dev.out || !dev.out->failed())
            return;
        // Tried from a later drain on, once the loss has been posted and, at the usual
        // interval, handled: the channels on it have been stopped by then.
        if (dev.lostReported) {
            if (std::chrono::steady_clock::now() >= dev.nextReopen)
                reopen(dev);
            return;
        }
        // No sync will ever come from a device that went away: say so once, so the
        // channels on it do not look as if they played on.
        dev.lostReported = true;
        dev.nextReopen = std::chrono::steady_clock::now() + reopenInterval;
        if (dev.window)
            QCoreApplication::postEvent(dev.window, new DeviceLostEvent(number(dev)));
    }
    int number(const DeviceSlot& dev) const { return static_cast<int>(&dev - &devices[0]) + 1; }

    // The device that went away, opened again as it was (by its driver id, at the rate and
    // channels its mixer runs at) with the mixer and streams it had. Until that works the
    // old output stays, failed, so plays on it are refused as before.
    void reopen(DeviceSlot& dev) {
        dev.nextReopen = std::chrono::steady_clock::now() + reopenInterval;
        // The old output's thread has ended: the mixer is ours until the new one starts.
        dev.mixer->haltAfterLoss();
        drainRetired(dev);
        QString why;
        std::unique_ptr<OutputStream> out =
            backend->open(dev.desc, dev.mixer->sampleRate(), *dev.mixer, &why);
        // Another rate (a JACK server restarted at another one) would need every stream on
        // it made again: it waits until the device runs as before.
        if (!out || out->config().sampleRate != dev.mixer->sampleRate() ||
            out->config().channels != dev.mixer->channels() || !out->start(&why))
            return;
        dev.out->stop();
        dev.out = std::move(out);
        dev.lostReported = false;
        if (dev.window)
            QCoreApplication::postEvent(dev.window, new DeviceBackEvent(number(dev)));
    }
    void drainRetired(DeviceSlot& dev) {
        Retired r;
        while (dev.mixer->retired.pop(r)) {
            delete r.feed;
            delete r.effect;
            if (r.stream != nullptr)
                deleteStream(r.stream);
        }
    }
    void drainAll() {
        for (auto& dev : devices)
            drain(dev);
    }

    void releaseDevice(DeviceSlot& dev, int index) {
        if (!dev.initialised)
            return;
        // Streams of the device go first; the mixer hands them back once stopped.
        std::vector<Handle> mine;
        for (auto& [h, u] : streams)
            if (u.s->device == index)
                mine.push_back(h);
        for (Handle h : mine)
            freeStream(h);
        if (dev.out)
            dev.out->stop();
        dev.mixer->commands.publish(); // a batch left open must not strand its commands
        dev.mixer->drainStopped();
        drain(dev);
        dev.out.reset();
        dev.mixer.reset();
        dev.initialised = false;
    }

    bool freeStream(Handle h) {
        auto it = streams.find(h);
        if (it == streams.end())
            return fail(Error::Handle);
        UiStream u = it->second;
        streams.erase(it);
        std::erase_if(syncs, [h](const auto& kv) { return kv.second.stream == h; });
        std::erase_if(fx, [h](const auto& kv) { return kv.second.stream == h; });
        disk->remove(u.s);
        Command c;
        c.type = Command::Remove;
        c.stream = u.s;
        DeviceSlot& dev = slotOf(u);
        // The Remove must get through, even inside a batch: wait for room if need be.
        while (!send(dev, c)) {
            if (!dev.out || !dev.out->running() || dev.out->failed() || dev.out->callerDriven()) {
                dev.mixer->drainStopped(); // nobody else consumes: apply here
                continue;
            }
        }
        return ok();
    }

    Handle createStream(const QString& path, std::uint32_t streamFlags, engine::DecoderRoute route);

    void scan() {
        std::vector<BackendDevice> list = backend->enumerate();
        // Keep initialised devices where they are: their numbers are in use.
        std::vector<DeviceSlot> next;
        for (auto& d : list) {
            DeviceSlot slot;
            slot.desc = d;
            next.push_back(std::move(slot));
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (!devices[i].initialised)
                continue;
            if (i < next.size() && next[i].desc.driver == devices[i].desc.driver)
                next[i] = std::move(devices[i]);
            else
                return; // an open device moved: keep the old list until it is freed
        }
        devices = std::move(next);
    }
};

AudioLib::AudioLib(AudioLibOptions options) : d(std::make_unique<Impl>()) {
    d->backend = options.backend ? options.backend : makeSystemBackend();
    d->openDecoder = options.openDecoder;
    d->converter = options.converter;
    d->reopenInterval = std::chrono::milliseconds(std::max(options.reopenIntervalMs, 0));
#ifdef KALVOR_HAVE_DECODE_LIB
    if (!d->openDecoder)
        d->openDecoder = [](const QString& path, engine::DecoderRoute route, QString* error) {
            return engine::openDecoder(path, route, error);
        };
#endif
    d->disk = std::make_unique<DiskThread>();
    d->scan();
}

AudioLib::~AudioLib() {
    for (std::size_t i = 0; i < d->devices.size(); ++i)
        d->releaseDevice(d->devices[i], static_cast<int>(i));
    d->timer.reset();
    d->disk.reset();
}

std::optional<DeviceDescription> AudioLib::getDeviceDescription(int device) const {
    if (device < 1 || device > static_cast<int>(d->devices.size()))
        return std::nullopt;
    const BackendDevice& b = d->devices[static_cast<std::size_t>(device - 1)].desc;
    return DeviceDescription{b.name, b.driver, b.outputChannels};
}

void AudioLib::rescanDevices() {
    d->scan();
}

bool AudioLib::init(int device, int sampleRate, std::uint32_t, QObject* window) {
    if (device == -1)
        device = 1;
    if (device < 1 || device > static_cast<int>(d->devices.size()))
        return d->fail(Error::Device);
    DeviceSlot& dev = d->devices[static_cast<std::size_t>(device - 1)];
    if (dev.initialised)
        return d->fail(Error::Already);
    if (sampleRate <= 0)
        sampleRate = 44100;
    dev.mixer = std::make_unique<Mixer>();
    dev.mixer->logVolume.store(d->logVolume);
    dev.mixer->logPan.store(d->logPan);
    QString why;
    dev.out = d->backend->open(dev.desc, sampleRate, *dev.mixer, &why);
    if (!dev.out) {
        dev.mixer.reset();
        return d->fail(Error::Device);
    }
    dev.mixer->configure(dev.out->config().sampleRate, dev.out->config().channels);
    if (!dev.out->start(&why)) {
        dev.out.reset();
        dev.mixer.reset();
        return d->fail(Error::Start);
    }
    dev.window = window;
    dev.initialised = true;
    dev.lostReported = false;
    d->current = device;
    if (!d->timer && QCoreApplication::instance() != nullptr &&
        QThread::currentThread() == QCoreApplication::instance()->thread()) {
        d->timer = std::make_unique<QTimer>();
        d->timer->setTimerType(Qt::PreciseTimer);
        d->timer->setInterval(5);
        QObject::connect(d->timer.get(), &QTimer::timeout, [this] { d->drainAll(); });
        d->timer->start();
    }
    return d->ok();
}

bool AudioLib::setDevice(int device) {
    d->current = 0;
    if (device < 1 || device > static_cast<int>(d->devices.size()))
        return d->fail(Error::Device);
    if (!d->devices[static_cast<std::size_t>(device - 1)].initialised)
        return d->fail(Error::Init);
    d->current = device;
    return d->ok();
}

int AudioLib::currentDevice() const {
    return d->current;
}

bool AudioLib::getInfo(DeviceInfo& info) const {
    const DeviceSlot* dev =
        d->current > 0 ? &d->devices[static_cast<std::size_t>(d->current - 1)] : nullptr;
    if (dev == nullptr || !dev->initialised)
        return d->fail(Error::Init);
    const OutputConfig& c = dev->out->config();
    info.minBufferMs =
        std::max(dev->desc.minBufferMs,
                 c.sampleRate > 0 ? (c.periodFrames * 1000 + c.sampleRate - 1) / c.sampleRate : 0);
    info.latencyMs =
        std::max(dev->desc.latencyMs, c.sampleRate > 0 ? c.latencyFrames * 1000 / c.sampleRate : 0);
    info.minRate = dev->desc.fixedRate > 0 ? dev->desc.fixedRate : dev->desc.minRate;
    info.maxRate = dev->desc.fixedRate > 0 ? dev->desc.fixedRate : dev->desc.maxRate;
    info.speakers = std::clamp(dev->desc.outputChannels, 1, kMaxSpeakers);
    info.soundSystemVersion = kSoundSystemVersion;
    info.sampleRate = c.sampleRate;
    return d->ok();
}

int AudioLib::setConfig(ConfigOption option, int value) {
    d->error = Error::Ok;
    switch (option) {
    case ConfigOption::BufferMs:
        // Feeds made from now on hold this much; the disk thread keeps them that full.
        d->bufferMs = std::clamp(value, 10, 5000);
        return d->bufferMs;
    case ConfigOption::MaxVolume:
        return 100;
    case ConfigOption::VolumeCurve:
        d->logVolume = value != 0;
        for (auto& dev : d->devices)
            if (dev.mixer)
                dev.mixer->logVolume.store(d->logVolume, std::memory_order_relaxed);
        return value != 0 ? 1 : 0;
    case ConfigOption::PanCurve:
        d->logPan = value != 0;
        for (auto& dev : d->devices)
            if (dev.mixer)
                dev.mixer->logPan.store(d->logPan, std::memory_order_relaxed);
        return value != 0 ? 1 : 0;
    }
    d->error = Error::IllegalParam;
    return -1;
}

bool AudioLib::stop() {
    DeviceSlot* dev = d->currentSlot();
    if (dev == nullptr || !dev->initialised)
        return d->fail(Error::Init);
    for (auto& [h, u] : d->streams) {
        if (u.s->device == d->current - 1 && u.state == ActiveState::Playing && !d->feedEnded(u)) {
            Command c;
            c.type = Command::Halt;
            d->send(u, c);
            u.state = ActiveState::Paused;
        }
    }
    return d->ok();
}

bool AudioLib::free() {
    DeviceSlot* dev = d->currentSlot();
    if (dev == nullptr || !dev->initialised)
        return d->fail(Error::Init);
    d->releaseDevice(*dev, d->current - 1);
    return d->ok();
}

Handle AudioLib::Impl::createStream(const QString& path, std::uint32_t streamFlags,
                                    engine::DecoderRoute route) {
    Impl& d = *this;
    DeviceSlot* dev = d.currentSlot();
    if (dev == nullptr || !dev->initialised) {
        d.fail(Error::Init);
        return 0;
    }
    if (!d.openDecoder) {
        d.fail(Error::NotAvailable);
        return 0;
    }
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isFile() || !info.isReadable()) {
        d.fail(Error::FileOpen);
        return 0;
    }
    PreparedStream ready = d.takePrepared(path, route);
    QString why;
    std::unique_ptr<engine::Decoder> decoder =
        ready.decoder ? std::move(ready.decoder) : d.openDecoder(path, route, &why);
    if (!decoder) {
        d.fail(Error::FileForm);
        return 0;
    }
    const engine::AudioFormat& f = decoder->format();
    if (f.sampleRate <= 0 || f.channels < 1 || f.channels > kMaxStreamChannels || f.frames <= 0) {
        d.fail(f.frames <= 0 ? Error::FileForm : Error::Format);
        return 0;
    }

    // Speaker routing: a pair (front, rear, centre/LFE, rear 2) or one speaker of it.
    const int devCh = dev->mixer->channels();
    const std::uint32_t speaker = streamFlags & flags::SpeakerMask;
    int outL = 0, outR = devCh > 1 ? 1 : 0;
    bool single = false;
    if (speaker != 0) {
        const int pair = static_cast<int>((speaker >> 24) & 0xf);
        const bool left = (speaker & flags::SpeakerLeft) != 0;
        const bool right = (speaker & flags::SpeakerRight) != 0;
        if (pair < 1 || pair > 4 || f.channels > 2 || (left && right) ||
            ((left || right) && f.channels != 1) || 2 * pair > devCh) {
            d.fail(Error::Speaker);
            return 0;
        }
        outL = 2 * (pair - 1);
        outR = outL + 1;
        if (left || right) {
            single = true;
            outL = right ? outR : outL;
            outR = -1;
        }
    }

    auto* s = new Stream;
    s->handle = d.newHandle();
    s->channels = f.channels;
    s->rate = f.sampleRate;
    s->length = f.frames;
    s->flags = streamFlags;
    s->fileBits = f.fileBits > 0 ? f.fileBits : 16;
    s->device = d.current - 1;
    s->pulled = dev->out->callerDriven();
    s->outL = outL;
    s->outR = outR;
    s->singleSpeaker = single;
    if (f.channels > 2)
        s->map = multichannelMap(f.channels, devCh);
    s->decoder = std::move(decoder);
    s->loop.store((streamFlags & flags::Loop) != 0);
    Voice& v = s->voice;
    v.src = RateConverter::create(d.converter, f.channels);
    v.in = std::make_unique<float[]>(static_cast<std::size_t>(kResampleInCapacity) * f.channels);
    v.work = std::make_unique<float[]>(static_cast<std::size_t>(kBlockFrames) * f.channels);
    v.gains = std::make_unique<float[]>(kBlockFrames);
    v.panRamp = std::make_unique<float[]>(std::size_t{kBlockFrames} * 2);
    v.history = std::make_unique<float[]>(static_cast<std::size_t>(kHistoryFrames) * f.channels);
    v.tail = std::make_unique<float[]>(static_cast<std::size_t>(kTailFrames) * f.channels);
    v.tailGains = std::make_unique<float[]>(kTailFrames);
    v.fadeOut = std::make_unique<float[]>(static_cast<std::size_t>(kTailFrames) * f.channels);
    v.unitGains = std::make_unique<float[]>(kTailFrames);
    std::fill_n(v.unitGains.get(), kTailFrames, 1.0f);
    v.freq = f.sampleRate;
    if (v.src == nullptr) {
        delete s;
        d.fail(Error::Unknown);
        return 0;
    }

    UiStream u;
    u.s = s;
    u.freq = f.sampleRate;
    Command add;
    add.type = Command::Add;
    add.stream = s;
    if (!d.send(*dev, add)) {
        d.deleteStream(s);
        return 0;
    }
    auto& stored = d.streams.emplace(s->handle, u).first->second;
    // On a caller-driven device the disk thread decodes ahead only up to the sound's end;
    // renderOffline tops every feed up before each period and decides wraps and ends
    // itself, so a render is the same every time.
    d.disk->add(s);
    // The first read ahead comes from the disk thread (or was made by prepareStreams);
    // channelPreBuf makes it synchronous.
    if (ready.feed && ready.feed->ring.capacity() == d.ringFrames(*s))
        d.adoptFeed(stored, std::move(ready.feed));
    else
        d.startFeed(stored, 0, 0);
    d.ok();
    return s->handle;
}

Handle AudioLib::streamCreateFile(const QString& path, std::uint32_t streamFlags) {
    return d->createStream(path, streamFlags, engine::DecoderRoute::Main);
}

Handle AudioLib::wmaStreamCreateFile(const QString& path, std::uint32_t streamFlags) {
    return d->createStream(path, streamFlags, engine::DecoderRoute::Wma);
}

void AudioLib::prepareStreams(const std::vector<PrepareRequest>& requests, int preBufferMs) {
    d->prepared = audio::prepareStreams(requests, d->openDecoder, d->bufferMs, preBufferMs);
}

void AudioLib::dropPrepared() {
    d->prepared.clear();
}

std::int64_t AudioLib::channelBufferedFrames(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    d->error = Error::Ok;
    Stream& s = *u->s;
    std::lock_guard lock(s.diskMutex);
    if (s.diskFeed == nullptr)
        return 0;
    const FrameRing& ring = s.diskFeed->ring;
    return static_cast<std::int64_t>(ring.capacity() - ring.writable());
}

bool AudioLib::streamFree(Handle stream) {
    return d->freeStream(stream);
}

bool AudioLib::channelGetInfo(Handle stream, StreamInfo& info) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    info.freq = u->s->rate;
    info.channels = u->s->channels;
    info.flags = u->s->flags;
    info.resolution = u->s->fileBits;
    info.fileBits = u->s->fileBits;
    return d->ok();
}

bool AudioLib::channelPlay(Handle stream, bool restart) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (d->slotOf(*u).out && d->slotOf(*u).out->failed())
        return d->fail(Error::Start);
    // A finished stream starts over, as does an explicit restart.
    if (restart || d->feedEnded(*u)) {
        if (!d->startFeed(*u, 0, u->preBufferMs))
            return false;
    }
    Command c;
    c.type = Command::Play;
    c.i = std::exchange(u->fadeInNextStart, false) ? 1 : 0;
    c.serial = u->playSerial + 1;
    if (!d->send(*u, c))
        return false;
    u->playSerial = c.serial;
    u->state = ActiveState::Playing;
    return d->ok();
}

std::uint64_t AudioLib::channelPlaySerial(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return 0;
    d->error = Error::Ok;
    return u->playSerial;
}

bool AudioLib::channelFadeInNextStart(Handle stream) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    u->fadeInNextStart = true;
    return d->ok();
}

bool AudioLib::channelStop(Handle stream) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    Command c;
    c.type = Command::Halt;
    if (!d->send(*u, c))
        return false;
    u->state = ActiveState::Stopped;
    return d->ok();
}

bool AudioLib::channelPause(Handle stream) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (channelIsActive(stream) != ActiveState::Playing)
        return d->fail(Error::NotAvailable);
    Command c;
    c.type = Command::Halt;
    if (!d->send(*u, c))
        return false;
    u->state = ActiveState::Paused;
    return d->ok();
}

bool AudioLib::channelSetFlags(Handle stream, std::uint32_t channelFlags) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    const bool loop = (channelFlags & flags::Loop) != 0;
    u->s->loop.store(loop, std::memory_order_release);
    u->s->flags = (u->s->flags & ~flags::Loop) | (loop ? flags::Loop : 0u);
    if (loop)
        d->disk->wake(); // a feed that stopped at the end can now wrap
    return d->ok();
}

ActiveState AudioLib::channelIsActive(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return ActiveState::Stopped;
    d->error = Error::Ok;
    if (u->state == ActiveState::Playing && d->feedEnded(*u))
        return ActiveState::Stopped;
    return u->state;
}

bool AudioLib::channelSetLoopStart(Handle stream, std::int64_t frame) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (frame < 0 || frame >= u->s->length)
        return d->fail(Error::Position);
    u->s->loopStart.store(frame, std::memory_order_relaxed);
    return d->ok();
}

static int bytesPerFrame(const Stream& s) {
    return s.channels * ((s.flags & flags::Float) != 0 ? 4 : 2);
}

std::int64_t AudioLib::channelGetPosition(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    d->error = Error::Ok;
    const Stream& s = *u->s;
    std::int64_t frame = 0;
    if (s.appliedFeedSerial.load(std::memory_order_acquire) != u->feedSerial)
        frame = u->feedStart; // the mixer has not taken the seek yet
    else
        frame = s.position.load(std::memory_order_relaxed);
    return frame * bytesPerFrame(s);
}

std::int64_t AudioLib::channelGetLength(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    d->error = Error::Ok;
    return u->s->length * bytesPerFrame(*u->s);
}

bool AudioLib::channelSetPosition(Handle stream, std::int64_t bytes) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    const int bpf = bytesPerFrame(*u->s);
    if (bytes < 0 || bytes / bpf >= u->s->length)
        return d->fail(Error::Position);
    // The callback may let the sound end between this check and taking the new feed: a
    // seek given in its last moments must not stop it.
    const bool playing = u->state == ActiveState::Playing && !d->feedEnded(*u);
    if (!d->startFeed(*u, bytes / bpf, u->preBufferMs, playing))
        return false;
    return d->ok();
}

double AudioLib::channelBytes2Seconds(Handle stream, std::int64_t bytes) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    if (bytes < 0) {
        d->error = Error::IllegalParam;
        return -1;
    }
    d->error = Error::Ok;
    return static_cast<double>(bytes) / bytesPerFrame(*u->s) / u->s->rate;
}

std::int64_t AudioLib::channelSeconds2Bytes(Handle stream, double seconds) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    if (!(seconds >= 0)) {
        d->error = Error::IllegalParam;
        return -1;
    }
    d->error = Error::Ok;
    return static_cast<std::int64_t>(seconds * u->s->rate) * bytesPerFrame(*u->s);
}

bool AudioLib::channelPreBuf(Handle stream, int ms) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    u->preBufferMs = std::max(ms, 0);
    Stream& s = *u->s;
    std::lock_guard lock(s.diskMutex);
    fillFeed(s, static_cast<std::size_t>(static_cast<std::int64_t>(u->preBufferMs) * s.rate / 1000),
             AtEnd::Decide, Reach::Exactly);
    return d->ok();
}

bool AudioLib::channelSetAttributes(Handle stream, int freq, int volume, int pan) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if ((freq != -1 && freq != 0 && (freq < 100 || freq > 1000000)) ||
        (volume != -1 && (volume < 0 || volume > 100)) ||
        (pan != -101 && (pan < -100 || pan > 100)))
        return d->fail(Error::IllegalParam);
    if (freq != -1) {
        u->freq = freq == 0 ? u->s->rate : freq;
        Command c;
        c.type = Command::SetFreq;
        c.x = u->freq;
        if (!d->send(*u, c))
            return false;
    }
    if (volume != -1) {
        u->volume = volume;
        Command c;
        c.type = Command::SetVolume;
        c.x = volume;
        c.serial = ++u->slideSerial; // a set ends a running slide
        u->lastWasSlide = false;
        u->queuedSlides = 0;
        if (!d->send(*u, c))
            return false;
    }
    if (pan != -101) {
        u->pan = pan;
        Command c;
        c.type = Command::SetPan;
        c.x = pan;
        if (!d->send(*u, c))
            return false;
    }
    return d->ok();
}

bool AudioLib::channelGetAttributes(Handle stream, int* freq, int* volume, int* pan) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (freq != nullptr)
        *freq = u->freq;
    if (volume != nullptr)
        *volume =
            channelIsSliding(stream) != 0
                ? static_cast<int>(std::lround(u->s->volumeNow.load(std::memory_order_relaxed)))
                : u->volume;
    if (pan != nullptr)
        *pan = u->pan;
    return d->ok();
}

bool AudioLib::channelSlideAttributes(Handle stream, int freq, int volume, int pan, int ms) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (ms < 0 || (volume != -1 && (volume < 0 || volume > 100)))
        return d->fail(Error::IllegalParam);
    // Frequency and pan are set at once; only the volume slides.
    if ((freq != -1 || pan != -101) && !channelSetAttributes(stream, freq, -1, pan))
        return false;
    if (volume != -1) {
        const int rate = d->slotOf(*u).mixer->sampleRate();
        Command c;
        c.type = Command::Slide;
        c.x = volume;
        c.i = static_cast<std::int64_t>(ms) * rate / 1000;
        c.serial = ++u->slideSerial;
        if (!d->send(*u, c))
            return false;
        u->lastWasSlide = true;
        u->queuedSlides = 0;
        u->volume = volume;
    }
    return d->ok();
}

bool AudioLib::channelQueueSlide(Handle stream, int volume, int ms) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (ms < 0 || volume < 0 || volume > 100)
        return d->fail(Error::IllegalParam);
    if (u->queuedSlides >= kMaxQueuedSlides)
        return d->fail(Error::NotAvailable);
    Command c;
    c.type = Command::QueueSlide;
    c.x = volume;
    c.i = static_cast<std::int64_t>(ms) * d->slotOf(*u).mixer->sampleRate() / 1000;
    c.serial = ++u->slideSerial;
    if (!d->send(*u, c))
        return false;
    ++u->queuedSlides;
    u->lastWasSlide = true;
    u->volume = volume;
    return d->ok();
}

bool AudioLib::channelDropQueuedSlides(Handle stream) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    if (u->queuedSlides == 0)
        return d->ok();
    Command c;
    c.type = Command::DropSlides;
    c.serial = ++u->slideSerial;
    if (!d->send(*u, c))
        return false;
    u->queuedSlides = 0;
    return d->ok();
}

std::uint32_t AudioLib::channelIsSliding(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return 0;
    d->error = Error::Ok;
    // Sliding from the moment the slide is commanded until the mixer reports it done.
    const std::uint64_t done = u->s->slideDoneSerial.load(std::memory_order_acquire);
    return u->lastWasSlide && done < u->slideSerial ? 2 : 0;
}

Handle AudioLib::channelSetSync(Handle stream, std::uint32_t type, std::int64_t, int message,
                                int slot) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return 0;
    const std::uint32_t kind = type & kSyncKindMask;
    if (kind != (sync::End & kSyncKindMask) && kind != (sync::SlideOnce & kSyncKindMask)) {
        d->fail(Error::IllegalParam);
        return 0;
    }
    if (u->syncCount >= kMaxSyncs) {
        d->fail(Error::NotAvailable);
        return 0;
    }
    Command c;
    c.type = Command::AddSync;
    c.sync.handle = d->newHandle();
    c.sync.type = type;
    c.sync.message = message;
    c.sync.slot = slot;
    if (!d->send(*u, c))
        return 0;
    ++u->syncCount;
    d->syncs[c.sync.handle] = SyncRecord{stream, type};
    d->ok();
    return c.sync.handle;
}

bool AudioLib::channelRemoveSync(Handle stream, Handle syncHandle) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    auto it = d->syncs.find(syncHandle);
    if (it == d->syncs.end() || it->second.stream != stream)
        return d->fail(Error::Handle);
    Command c;
    c.type = Command::RemoveSync;
    c.sync.handle = syncHandle;
    if (!d->send(*u, c))
        return false;
    d->syncs.erase(it);
    --u->syncCount;
    return d->ok();
}

std::int32_t AudioLib::channelGetLevel(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    d->error = Error::Ok;
    if (channelIsActive(stream) != ActiveState::Playing)
        return 0;
    return static_cast<std::int32_t>(u->s->level.load(std::memory_order_relaxed));
}

float AudioLib::getCpu() const {
    float total = 0;
    for (const auto& dev : d->devices)
        if (dev.initialised && dev.mixer)
            total += dev.mixer->cpuPercent.load(std::memory_order_relaxed);
    return total;
}

RenderTimeFigures AudioLib::getRenderTimes(bool threadCpu) const {
    std::vector<const RenderTimes*> open;
    for (const auto& dev : d->devices)
        if (dev.initialised && dev.mixer)
            open.push_back(threadCpu ? &dev.mixer->renderCpuTimes : &dev.mixer->renderTimes);
    return RenderTimes::figures(open);
}

void AudioLib::restartRenderTimes() {
    for (const auto& dev : d->devices)
        if (dev.initialised && dev.mixer) {
            dev.mixer->renderTimes.restart();
            dev.mixer->renderCpuTimes.restart();
        }
}

double AudioLib::lastRenderTimeUs(bool threadCpu) const {
    const DeviceSlot* dev = d->currentSlot();
    if (dev == nullptr || !dev->initialised || !dev->mixer)
        return -1;
    return (threadCpu ? dev->mixer->renderCpuTimes : dev->mixer->renderTimes).lastUs();
}

Error AudioLib::errorGetCode() const {
    return d->error;
}

Handle AudioLib::channelSetFx(Handle stream, FxType type, int priority) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return 0;
    const auto kind = engine::dsp::effectTypeFromNumber(static_cast<int>(type));
    if (!kind) {
        d->fail(Error::IllegalParam);
        return 0;
    }
    if (u->fxCount >= kMaxStreamFx) {
        d->fail(Error::NotAvailable);
        return 0;
    }
    // Made and sized here, so the callback only ever runs it.
    std::unique_ptr<engine::dsp::Effect> effect = engine::dsp::createEffect(*kind);
    if (!effect || !effect->prepare(u->s->rate, u->s->channels)) {
        d->fail(Error::Format);
        return 0;
    }
    Command c;
    c.type = Command::AddFx;
    c.effect = effect.get();
    c.i = priority;
    if (!d->send(*u, c))
        return 0;
    const Handle h = d->newHandle();
    d->fx[h] = FxRecord{stream, effect.release()};
    ++u->fxCount;
    d->ok();
    return h;
}

bool AudioLib::channelRemoveFx(Handle stream, Handle fx) {
    UiStream* u = d->find(stream);
    if (u == nullptr)
        return false;
    auto it = d->fx.find(fx);
    if (it == d->fx.end() || it->second.stream != stream)
        return d->fail(Error::Handle);
    // The mixer takes it out of the chain at its next period and hands it back for
    // deletion; until then it keeps running.
    Command c;
    c.type = Command::RemoveFx;
    c.effect = it->second.effect;
    if (!d->send(*u, c))
        return false;
    d->fx.erase(it);
    --u->fxCount;
    return d->ok();
}

bool AudioLib::fxSetParameters(Handle fx, const void* params) {
    auto it = d->fx.find(fx);
    if (it == d->fx.end())
        return d->fail(Error::Handle);
    if (params == nullptr)
        return d->fail(Error::IllegalParam);
    // Clamped into the effect's ranges; the callback picks the block up at its next period.
    it->second.effect->setParameters(params);
    return d->ok();
}

bool AudioLib::fxGetParameters(Handle fx, void* params) const {
    auto it = d->fx.find(fx);
    if (it == d->fx.end())
        return d->fail(Error::Handle);
    if (params == nullptr)
        return d->fail(Error::IllegalParam);
    it->second.effect->getParameters(params);
    return d->ok();
}

void AudioLib::beginBatch() {
    ++d->batchDepth;
}

void AudioLib::endBatch() {
    if (d->batchDepth == 0 || --d->batchDepth > 0)
        return;
    // One release store per device, back to back: each callback sees the whole batch at
    // its next period boundary; devices with a shared clock (JACK) start together.
    for (auto& dev : d->devices)
        if (dev.mixer)
            dev.mixer->commands.publish();
}

bool AudioLib::renderOffline(float* out, int frames) {
    DeviceSlot* dev = d->currentSlot();
    if (dev == nullptr || !dev->initialised || !dev->out || !dev->out->callerDriven())
        return d->fail(Error::NotAvailable);
    if (frames < 0 || out == nullptr)
        return d->fail(Error::IllegalParam);
    const int channels = dev->mixer->channels();
    const int rate = dev->mixer->sampleRate();
    for (int done = 0; done < frames;) {
        const int n = std::min(kOfflineChunk, frames - done);
        // Never underrun: top every feed of this device up on this thread first. A stream
        // sped up needs more source frames than the block has, plus the converter's input.
        for (auto& [h, u] : d->streams) {
            Stream& s = *u.s;
            if (s.device != d->current - 1)
                continue;
            // A stop or seek in this period also takes a ramp's worth of frames beyond it;
            // they must be there whenever the disk thread ran, or the ramp would vary.
            const double speed = u.freq > 0 ? static_cast<double>(u.freq) / rate : 1.0;
            const std::size_t converter = u.freq != rate ? kResampleInFrames : 0;
            const auto need =
                static_cast<std::size_t>(std::ceil((n + kTailFrames) * speed)) + converter + 64;
            // Enough buffered and no end to decide: the fill would return at once, so skip
            // its lock, which the disk thread may hold while it decodes ahead. Unlocked
            // reads are safe here: this thread alone sets diskFeed and, on this device,
            // atEnd (the disk thread stops short of the end), and it is the ring's reader.
            const Feed* f = s.diskFeed;
            if (f != nullptr && !f->atEnd && f->ring.readable() >= need)
                continue;
            std::lock_guard lock(s.diskMutex);
            fillFeed(s, need);
        }
        dev->out->pull(out + static_cast<std::ptrdiff_t>(done) * channels, n);
        d->disk->nudge();
        done += n;
    }
    d->drain(*dev);
    if (dev->window) {
        QCoreApplication::sendPostedEvents(dev->window, EngineMessageEvent::eventType());
        QCoreApplication::sendPostedEvents(dev->window, DeviceLostEvent::eventType());
    }
    return d->ok();
}

std::int64_t AudioLib::deviceFrame() const {
    const DeviceSlot* dev =
        d->current > 0 ? &d->devices[static_cast<std::size_t>(d->current - 1)] : nullptr;
    if (dev == nullptr || !dev->mixer)
        return -1;
    return dev->mixer->framesRendered.load(std::memory_order_relaxed);
}

std::int64_t AudioLib::channelStartFrame(Handle stream) const {
    const UiStream* u = d->find(stream);
    if (u == nullptr)
        return -1;
    return u->s->startDeviceFrame.load(std::memory_order_relaxed);
}

std::int64_t AudioLib::underruns() const {
    const DeviceSlot* dev =
        d->current > 0 ? &d->devices[static_cast<std::size_t>(d->current - 1)] : nullptr;
    if (dev == nullptr || !dev->mixer)
        return 0;
    return dev->mixer->underruns.load(std::memory_order_relaxed);
}

void AudioLib::deliverSyncs() {
    d->drainAll();
}

} // namespace kalvor::audio
