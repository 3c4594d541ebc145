// The sound device component and the wave list with its cues. The device opens the sound
// mixer when loading ends; the wave list then makes one master buffer per cue from its
// wave, and each play sounds on a copy of that master, so that a cue can overlap itself.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "media/wave.h"
#include "platform/audio_mixer.h"
#include "platform/error.h"

namespace prismcrate {

// Errors of the sound components.
class EDXSoundError : public Error {
  public:
    using Error::Error;
};
// "DirectSound cannot be initialized": no usable sound device.
class EDirectSoundError : public Error {
  public:
    using Error::Error;
};
// "Sound Buffer cannot be made", "Sound Buffer cannot be locked".
class EDirectSoundBufferError : public EDirectSoundError {
  public:
    using EDirectSoundError::EDirectSoundError;
};
enum class SoundOption { GlobalFocus = 1, StickyFocus = 2, Exclusive = 4 };

class TCustomDXSound;
class TWaveCollection;

// What the sound component tells its listeners.
enum class SoundNotify { Initializing, Initialize, Restore, Finalize, Destroying };

// A master buffer or a copy of it.
using TDirectSoundBuffer = SoundBuffer;

class TCustomDXSound : public QObject {
  public:
    using Event = std::function<void(TCustomDXSound* sender)>;
    using Listener = std::function<void(SoundNotify)>;

    // `mixer` is the sound mixer to open; nullptr takes the SDL mixer.
    explicit TCustomDXSound(QObject* owner, std::unique_ptr<AudioMixer> mixer = nullptr);
    ~TCustomDXSound() override;

    bool AutoInitialize = true;
    // A set of SoundOption bits; kept for the mixer, which shares the device in any case.
    int Options = 0;
    Event OnInitializing;
    Event OnInitialize;
    Event OnRestore;
    Event OnFinalize;

    // End of loading: with AutoInitialize, opens the device. A missing or unusable device
    // (EDirectSoundError and its descendants) leaves the component closed, silently.
    void Loaded();

    // Opens the device and brings every listener's cues to life. Throws EDXSoundError
    // "Form not found" when the component has no window among its owners,
    // EDirectSoundError when no device opens.
    void Initialize();
    void Finalize();
    bool Initialized() const { return initialized_; }

    AudioMixer& Mixer() { return *mixer_; }

    // Listeners, each with its owner for removal.
    void RegisterNotifyEvent(const void* owner, Listener listener);
    void UnRegisterNotifyEvent(const void* owner);

    // Called when a buffer operation reported that the mixer lost a buffer's memory:
    // every cue rebuilds its master buffer (unless that is going on already).
    void BufferLost();

    // The errors the mixer returned for start, stop and positioning, recorded only.
    int RecordedErrors() const { return recordedErrors_; }
    void RecordResult(BufferResult result);

  private:
    void notify(SoundNotify what);
    void restore();

    std::unique_ptr<AudioMixer> mixer_;
    bool initialized_ = false;
    bool calledDoInitialize_ = false;
    bool restoring_ = false;
    int recordedErrors_ = 0;
    std::vector<std::pair<const void*, Listener>> listeners_;
};

class TDXSound : public TCustomDXSound {
  public:
    using TCustomDXSound::TCustomDXSound;
};

// One cue.
class TWaveCollectionItem {
  public:
    explicit TWaveCollectionItem(TWaveCollection* collection) : collection_(collection) {}
    ~TWaveCollectionItem();
    TWaveCollectionItem(const TWaveCollectionItem&) = delete;
    TWaveCollectionItem& operator=(const TWaveCollectionItem&) = delete;

    QString Name;
    TWave Wave;
    // Not stored: 0 means full volume, centre.
    int Volume = 0;
    int Pan = 0;

    bool Looped() const { return looped_; }
    // A different value stops the cue first.
    void setLooped(bool looped);
    int MaxPlayingCount() const { return maxPlayingCount_; }
    // Values below 0 are taken as 0 (no limit). A different value frees every copy.
    void setMaxPlayingCount(int count);

    // Plays the cue once (or looping). With `wait`, returns only when that sounding has
    // ended; the wait ends also when the copy is lost or the device stops answering.
    void Play(bool wait = false);
    // Stops the master and every copy.
    void Stop();

    bool Initialized() const { return initialized_; }
    TDirectSoundBuffer* Master() const { return master_.get(); }
    const std::vector<std::shared_ptr<TDirectSoundBuffer>>& Copies() const { return copies_; }

  private:
    friend class TWaveCollection;
    TCustomDXSound* sound() const;
    void initialize();
    void finalize();
    void restore();
    void freeCopies();
    std::shared_ptr<TDirectSoundBuffer> master();
    std::shared_ptr<TDirectSoundBuffer> findInstance();
    void record(BufferResult result);
    void waitUntilEnded(const std::shared_ptr<TDirectSoundBuffer>& copy);

    TWaveCollection* collection_;
    bool looped_ = false;
    int maxPlayingCount_ = 0;
    bool initialized_ = false;
    std::shared_ptr<TDirectSoundBuffer> master_;
    std::vector<std::shared_ptr<TDirectSoundBuffer>> copies_;
};

// The cues of a wave list, addressed by index.
class TWaveCollection {
  public:
    TWaveCollection() = default;
    TWaveCollection(const TWaveCollection&) = delete;
    TWaveCollection& operator=(const TWaveCollection&) = delete;

    TWaveCollectionItem& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // "List index out of bounds (%d)" for an index outside 0..Count()-1.
    TWaveCollectionItem& Items(int index);
    TWaveCollectionItem& operator[](int index) { return Items(index); }
    // The first item with this name, or nullptr.
    TWaveCollectionItem* Find(const QString& name);

    TCustomDXSound* DXSound() const { return sound_; }

  private:
    friend class TDXWaveList;
    void notified(SoundNotify what);

    TCustomDXSound* sound_ = nullptr;
    std::vector<std::unique_ptr<TWaveCollectionItem>> items_;
};

class TDXWaveList : public QObject {
  public:
    explicit TDXWaveList(QObject* owner);
    ~TDXWaveList() override;

    TCustomDXSound* DXSound() const { return Items.DXSound(); }
    // Registers the list as a listener of `sound` (and leaves the previous one).
    void setDXSound(TCustomDXSound* sound);

    TWaveCollection Items;
};

}  // namespace prismcrate
