#include "audio/sound_channels.h"

#include "audio/ogg_decoder.h"
#include "resource/preferences.h"
#include "resource/sjis.h"

namespace velmira {
namespace {

// Decodes folder\name whole into a new static buffer of the device. Null when the device
// is unavailable, the file does not open, holds no samples or would exceed
// SoundBuffer::kMaxBytes of PCM (the size is checked before anything is allocated).
std::unique_ptr<SoundBuffer> loadSound(SoundDevice* device, const ArchiveIndex& archives,
                                       std::string_view folder, std::string_view name) {
    if (!device || !device->available()) return nullptr;
    OggDecoder decoder(archives);
    if (!decoder.open(folder, name)) return nullptr;
    // The frame count comes from the file's last page and may be anything; it is bounded
    // before the buffer is made.
    const uint64_t bytes = static_cast<uint64_t>(decoder.totalFrames()) *
                           static_cast<uint64_t>(decoder.channels()) * 2;
    if (bytes == 0 || bytes > SoundBuffer::kMaxBytes) return nullptr;
    std::unique_ptr<SoundBuffer> buffer = device->createBuffer(
        {decoder.channels(), decoder.rate()}, static_cast<uint32_t>(bytes), BufferKind::Static);
    if (!buffer) return nullptr;
    SoundBuffer::Region first, second;
    if (!buffer->lock(0, buffer->size(), first, second)) return nullptr;
    decoder.decode(first.data, first.bytes);
    decoder.decode(second.data, second.bytes);
    buffer->unlock();
    return buffer;
}

} // namespace

SoundChannels::SoundChannels(SoundDevice* device, const ArchiveIndex& archives,
                             const UserPreferences& preferences, platform::Clock& clock,
                             platform::Threads& threads)
    : device_(device), archives_(archives), preferences_(preferences),
      music_(device, archives, clock, threads) {}

SoundChannels::~SoundChannels() {
    shutdown();
}

bool SoundChannels::available() const {
    return device_ && device_->available();
}

void SoundChannels::applyPreferences() {
    const UserPreferences& p = preferences_;
    setChannel(SoundChannel::Voice, p.voiceOn, p.voiceVolume);
    setChannel(SoundChannel::Se, p.seOn, p.seVolume);
    setChannel(SoundChannel::Env, p.envOn, p.envVolume);
    setChannel(SoundChannel::Bgm, p.bgmOn, p.bgmVolume);
}

const SoundChannels::StaticChannel* SoundChannels::staticChannel(SoundChannel channel) const {
    switch (channel) {
    case SoundChannel::Se:
        return &se_;
    case SoundChannel::Voice:
        return &voice_;
    case SoundChannel::Env:
        return &env_;
    case SoundChannel::Bgm:
        break;
    }
    return nullptr;
}

void SoundChannels::setChannel(SoundChannel channel, bool on, int32_t volume) {
    // The volume first: what plays takes it at once, a sound resumed below starts at it,
    // and the music re-evaluates a running fade with it.
    StaticChannel* c = staticChannel(channel);
    if (c) {
        c->on = on;
        c->volume = volume;
        if (c->buffer) c->buffer->setVolume(volumeToAttenuation(volume));
    } else {
        bgmOn_ = on;
        music_.setVolume(volume);
    }
    if (channel == SoundChannel::Env) {
        if (on)
            resumeEnv();
        else
            stopEnv(KeepName::Yes);
    } else if (channel == SoundChannel::Bgm) {
        if (on)
            resumeBgm();
        else
            stopBgm(KeepName::Yes);
    } else if (!on) {
        stopStatic(*c);
    }
}

bool SoundChannels::channelOn(SoundChannel channel) const {
    const StaticChannel* c = staticChannel(channel);
    return c ? c->on : bgmOn_;
}

int32_t SoundChannels::channelVolume(SoundChannel channel) const {
    const StaticChannel* c = staticChannel(channel);
    return c ? c->volume : music_.volume();
}

bool SoundChannels::playStatic(StaticChannel& channel, std::string_view name, bool looping) {
    channel.buffer = loadSound(device_, archives_, channel.folder, name);
    if (!channel.buffer) return false;
    channel.buffer->setVolume(volumeToAttenuation(channel.volume));
    return channel.buffer->play(looping);
}

void SoundChannels::stopStatic(StaticChannel& channel) {
    if (!channel.buffer) return;
    channel.buffer->stop();
    channel.buffer.reset();
}

bool SoundChannels::isPlaying(const StaticChannel& channel) {
    return channel.buffer && channel.buffer->playing();
}

bool SoundChannels::playSe(std::string_view name) {
    stopSe();
    if (!se_.on) return true;
    return playStatic(se_, name, false);
}

bool SoundChannels::playVoice(std::string_view path) {
    stopVoice();
    if (!voice_.on) return true;
    return playStatic(voice_, path, false);
}

bool SoundChannels::playEnv(std::string_view name) {
    if (sjis::equalsIgnoringCase(name, nameEnv_) && isPlaying(env_)) return true;
    stopEnv(KeepName::No);
    nameEnv_ = name;
    // An empty name asks for silence, which it now is.
    if (!env_.on || name.empty()) return true;
    return playStatic(env_, name, true);
}

bool SoundChannels::playBgm(std::string_view name, bool loop) {
    if (name.empty()) return false;
    if (sjis::equalsIgnoringCase(name, nameBgm_) && music_.playing()) return true;
    stopBgm(KeepName::No);
    nameBgm_ = name;
    loopBgm_ = loop;
    if (!bgmOn_) return true;
    return music_.start(name, loop);
}

void SoundChannels::fadeBgm() {
    music_.startFade();
    nameBgm_.clear();
}

void SoundChannels::stopSe() {
    stopStatic(se_);
}

void SoundChannels::stopVoice() {
    stopStatic(voice_);
}

void SoundChannels::stopEnv(KeepName keep) {
    stopStatic(env_);
    if (keep == KeepName::No) nameEnv_.clear();
}

void SoundChannels::stopBgm(KeepName keep) {
    music_.stop();
    if (keep == KeepName::No) nameBgm_.clear();
}

void SoundChannels::resumeEnv() {
    if (nameEnv_.empty()) {
        stopEnv(KeepName::No);
        return;
    }
    const std::string name = nameEnv_; // playEnv replaces nameEnv_
    playEnv(name);
}

void SoundChannels::resumeBgm() {
    if (nameBgm_.empty()) {
        stopBgm(KeepName::No);
        return;
    }
    const std::string name = nameBgm_;
    playBgm(name, loopBgm_);
}

bool SoundChannels::voicePlaying() const {
    return isPlaying(voice_);
}

bool SoundChannels::envPlaying() const {
    return isPlaying(env_);
}

bool SoundChannels::bgmPlaying() const {
    return music_.playing();
}

SoundBuffer* SoundChannels::buffer(SoundChannel channel) {
    StaticChannel* c = staticChannel(channel);
    return c ? c->buffer.get() : music_.buffer();
}

void SoundChannels::releaseEffectsAndVoice() {
    stopSe();
    stopVoice();
}

void SoundChannels::shutdown() {
    stopSe();
    stopVoice();
    stopEnv(KeepName::No);
    stopBgm(KeepName::No);
    music_.close();
}

SoundState SoundChannels::soundState() const {
    return {nameEnv_, nameBgm_, pathVo_, loopBgm_};
}

void SoundChannels::restoreSoundState(const SoundState& state) {
    stopVoice();
    stopSe();
    stopBgm(KeepName::No);
    stopEnv(KeepName::No);
    nameEnv_ = state.nameEnv;
    nameBgm_ = state.nameBgm;
    pathVo_ = state.pathVo;
    loopBgm_ = state.loopBgm;
    resumeEnv();
    resumeBgm();
}

} // namespace velmira
