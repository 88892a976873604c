#pragma once
// The engine's side of a synthesizer: what renders into the audio callback,
// and the engine as the synthesizer sees it. Implemented by the MIDI layer.

namespace pitkad {

// Sound rendered into the audio callback. Called on the audio thread only:
// must not lock, allocate or block.
class SynthSource {
  public:
    // Adds `frames` frames of sound to the two channel buffers.
    virtual void render_add(float* left, float* right, int frames) noexcept = 0;

  protected:
    ~SynthSource() = default;
};

// The audio engine as the synthesizer sees it. UI thread only.
class SynthOutput {
  public:
    virtual ~SynthOutput() = default;
    virtual int sample_rate() const = 0;
    // The callback renders `source` from now on (null: nothing). When this
    // returns, the callback no longer uses the previous source.
    virtual void attach_synth(SynthSource* source) = 0;
};

} // namespace pitkad
