#include "media/dx_sound.h"

#include <QWidget>
#include <algorithm>

#include "platform/clock.h"

namespace prismcrate {
namespace {

// How long a waiting play may outlast its sounding before it gives up on a device that
// has stopped answering.
constexpr std::uint32_t kWaitGraceMs = 1000;
constexpr std::uint32_t kWaitStepMs = 10;

}  // namespace

// The sound device.

TCustomDXSound::TCustomDXSound(QObject* owner, std::unique_ptr<AudioMixer> mixer)
    : QObject(owner), mixer_(mixer ? std::move(mixer) : makeSdlAudioMixer()) {}

TCustomDXSound::~TCustomDXSound() {
    try {
        Finalize();
    } catch (...) {
        // An OnFinalize handler that raises while the component goes away has nowhere
        // to report to; the device is closed in any case.
    }
    notify(SoundNotify::Destroying);
    listeners_.clear();
}

void TCustomDXSound::Loaded() {
    if (!AutoInitialize) return;
    try {
        Initialize();
    } catch (const EDirectSoundError&) {
        // No usable device (or a cue that could not be prepared): the game runs silently.
    }
}

void TCustomDXSound::Initialize() {
    Finalize();
    const QObject* owner = parent();
    while (owner && !owner->isWidgetType()) owner = owner->parent();
    if (!owner) throw EDXSoundError("Form not found");

    notify(SoundNotify::Initializing);
    if (OnInitializing) OnInitializing(this);
    try {
        if (!mixer_->open()) throw EDirectSoundError("DirectSound cannot be initialized");
        initialized_ = true;
    } catch (...) {
        Finalize();
        throw;
    }
    calledDoInitialize_ = true;
    notify(SoundNotify::Initialize);
    if (OnInitialize) OnInitialize(this);
    restore();
}

void TCustomDXSound::Finalize() {
    const bool announced = calledDoInitialize_;
    calledDoInitialize_ = false;
    // The cues let go of their buffers and the device closes even when OnFinalize raises.
    struct Closer {
        TCustomDXSound* self;
        ~Closer() {
            self->notify(SoundNotify::Finalize);
            self->mixer_->close();
            self->initialized_ = false;
        }
    } closer{this};
    if (announced && OnFinalize) OnFinalize(this);
}

void TCustomDXSound::RegisterNotifyEvent(const void* owner, Listener listener) {
    UnRegisterNotifyEvent(owner);
    listeners_.emplace_back(owner, listener);
    if (initialized_) {
        listener(SoundNotify::Initialize);
        listener(SoundNotify::Restore);
    }
}

void TCustomDXSound::UnRegisterNotifyEvent(const void* owner) {
    std::erase_if(listeners_, [owner](const auto& entry) { return entry.first == owner; });
}

void TCustomDXSound::notify(SoundNotify what) {
    // A listener may register or leave while being told; tell those present at the start
    // that are still present.
    const auto snapshot = listeners_;
    for (const auto& [owner, listener] : snapshot) {
        const bool present = std::any_of(listeners_.begin(), listeners_.end(),
                                         [o = owner](const auto& e) { return e.first == o; });
        if (present) listener(what);
    }
}

void TCustomDXSound::restore() {
    notify(SoundNotify::Restore);
    if (OnRestore) OnRestore(this);
}

void TCustomDXSound::BufferLost() {
    if (restoring_ || !initialized_) return;
    restoring_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{restoring_};
    restore();
}

void TCustomDXSound::RecordResult(BufferResult result) {
    if (result == BufferResult::Failed) ++recordedErrors_;
    if (result == BufferResult::Lost) BufferLost();
}

// One cue.

TWaveCollectionItem::~TWaveCollectionItem() = default;

TCustomDXSound* TWaveCollectionItem::sound() const {
    return collection_ ? collection_->DXSound() : nullptr;
}

void TWaveCollectionItem::setLooped(bool looped) {
    if (looped == looped_) return;
    Stop();
    looped_ = looped;
}

void TWaveCollectionItem::setMaxPlayingCount(int count) {
    count = std::max(count, 0);
    if (count == maxPlayingCount_) return;
    if (initialized_) freeCopies();
    maxPlayingCount_ = count;
}

void TWaveCollectionItem::initialize() {
    initialized_ = true;
}

void TWaveCollectionItem::finalize() {
    initialized_ = false;
    freeCopies();
    master_.reset();
}

void TWaveCollectionItem::freeCopies() {
    copies_.clear();
}

void TWaveCollectionItem::restore() {
    if (Wave.Empty()) return;
    TCustomDXSound* device = sound();
    if (!initialized_) {
        if (!device || !device->Initialized()) return;
        initialize();
    }
    if (!device || !device->Initialized()) return;
    std::unique_ptr<TDirectSoundBuffer> buffer =
        device->Mixer().createBuffer(Wave.Format(), Wave.Size());
    if (!buffer) throw EDirectSoundBufferError("Sound Buffer cannot be made");
    if (!buffer->fill(Wave.Data().data(), Wave.Size()))
        throw EDirectSoundBufferError("Sound Buffer cannot be locked");
    master_ = std::move(buffer);
    record(master_->setVolumePan(Volume, Pan));
}

std::shared_ptr<TDirectSoundBuffer> TWaveCollectionItem::master() {
    if (!master_) restore();
    return master_;
}

void TWaveCollectionItem::record(BufferResult result) {
    if (TCustomDXSound* device = sound()) device->RecordResult(result);
}

std::shared_ptr<TDirectSoundBuffer> TWaveCollectionItem::findInstance() {
    // A copy is busy while it plays, and for good once the mixer has lost it.
    for (const auto& copy : copies_) {
        bool playing = false;
        if (copy->status(playing) == BufferResult::Ok && !playing) return copy;
    }
    if (maxPlayingCount_ > 0 && static_cast<int>(copies_.size()) >= maxPlayingCount_) {
        std::shared_ptr<TDirectSoundBuffer> oldest = copies_.front();
        copies_.erase(copies_.begin());
        copies_.push_back(oldest);
        return oldest;
    }
    const std::shared_ptr<TDirectSoundBuffer> source = master();
    TCustomDXSound* device = sound();
    if (!source || !device || !device->Initialized()) return nullptr;
    std::unique_ptr<TDirectSoundBuffer> copy = device->Mixer().duplicate(*source);
    if (!copy) return nullptr;
    copies_.push_back(std::move(copy));
    return copies_.back();
}

void TWaveCollectionItem::Play(bool wait) {
    if (!initialized_) return;
    if (looped_) {
        const std::shared_ptr<TDirectSoundBuffer> buffer = master();
        if (!buffer) return;
        record(buffer->stop());
        record(buffer->rewind());
        record(buffer->play(true));
        return;
    }
    const std::shared_ptr<TDirectSoundBuffer> copy = findInstance();
    if (!copy) return;
    record(copy->stop());
    record(copy->rewind());
    record(copy->setVolumePan(Volume, Pan));
    record(copy->play(false));
    if (wait) waitUntilEnded(copy);
}

void TWaveCollectionItem::waitUntilEnded(const std::shared_ptr<TDirectSoundBuffer>& copy) {
    Clock& clock = currentClock();
    const std::uint32_t limit = copy->lengthMs() + kWaitGraceMs;
    const std::uint32_t start = clock.nowMs();
    for (;;) {
        bool playing = false;
        if (copy->status(playing) != BufferResult::Ok || !playing) return;
        if (static_cast<std::uint32_t>(clock.nowMs() - start) > limit) {
            record(copy->stop());
            return;
        }
        clock.sleepMs(kWaitStepMs);
    }
}

void TWaveCollectionItem::Stop() {
    if (!initialized_) return;
    if (const std::shared_ptr<TDirectSoundBuffer> buffer = master_) record(buffer->stop());
    const auto copies = copies_;
    for (const auto& copy : copies) record(copy->stop());
}

// The cues of a wave list.

TWaveCollectionItem& TWaveCollection::Add() {
    items_.push_back(std::make_unique<TWaveCollectionItem>(this));
    TWaveCollectionItem& item = *items_.back();
    if (sound_ && sound_->Initialized()) item.initialize();
    return item;
}

TWaveCollectionItem& TWaveCollection::Items(int index) {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return *items_[static_cast<std::size_t>(index)];
}

TWaveCollectionItem* TWaveCollection::Find(const QString& name) {
    for (const auto& item : items_)
        if (item->Name == name) return item.get();
    return nullptr;
}

void TWaveCollection::notified(SoundNotify what) {
    switch (what) {
        case SoundNotify::Initializing:
            break;
        case SoundNotify::Initialize:
            for (const auto& item : items_) item->initialize();
            break;
        case SoundNotify::Restore:
            for (const auto& item : items_) item->restore();
            break;
        case SoundNotify::Finalize:
            for (const auto& item : items_) item->finalize();
            break;
        case SoundNotify::Destroying:
            for (const auto& item : items_) item->finalize();
            sound_ = nullptr;
            break;
    }
}

// The wave list.

TDXWaveList::TDXWaveList(QObject* owner) : QObject(owner) {}

TDXWaveList::~TDXWaveList() {
    setDXSound(nullptr);
}

void TDXWaveList::setDXSound(TCustomDXSound* sound) {
    if (sound == Items.sound_) return;
    if (Items.sound_) {
        Items.sound_->UnRegisterNotifyEvent(this);
        Items.notified(SoundNotify::Finalize);
    }
    Items.sound_ = sound;
    if (sound) sound->RegisterNotifyEvent(this, [this](SoundNotify what) { Items.notified(what); });
}

}  // namespace prismcrate
