// The wave player: RIFF/WAVE files and in-memory WAV images played through
// the audio-out layer in a pool of four blocks, with completion delivered to
// the console window as MM_WOM_DONE, optional 1.5x rate and pitch-period
// cutting, and a waiting key stopping everything.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace console {
class Console;
}

namespace wave {

constexpr size_t kTamanhoCabecalho = 44;
constexpr size_t kTamanhoBloco = 65534;
constexpr int kBlocos = 4;

// Writes the 44-byte RIFF/WAVE header of an image; the samples follow at 44.
void WavBuildHeader(uint8_t* image, int32_t dataSize, int32_t rate, int32_t bits, int32_t channels);

class WavePlayer {
 public:
  explicit WavePlayer(console::Console& console);
  ~WavePlayer();
  WavePlayer(const WavePlayer&) = delete;
  WavePlayer& operator=(const WavePlayer&) = delete;

  // 0: played, stopped by a key, or not started because a key was waiting;
  // -1: no such file, not a RIFF file with fmt and data chunks, or a short
  // read; other values: the device's open error.
  int WavPlayFile(std::string_view path);
  // Queues every sample of the image and returns once the last block is queued.
  void WavPlayMemory(const uint8_t* image, size_t size);
  // One poll: handles finished blocks, stops on a key, closes an idle device.
  bool WavIsPlaying();
  void WavStop();

  bool StopOnKey = true;
  bool NoWait = false;
  bool FastPlayback = false;
  bool CutSpeech = false;
  int MaxQueuedBlocks = kBlocos;

  // Shortens mono speech by dropping about every other pitch period; in place.
  static size_t WavCutPeriods(uint8_t* block, size_t n, int bits, uint32_t rate);

 private:
  int WavPlayPcm(const uint8_t* data, size_t length, uint32_t rate, uint16_t bits, uint16_t channels);
  int WavSetFormat(uint32_t rate, uint16_t bits, uint16_t channels);
  bool WavQueueBlock(const uint8_t* data, size_t len);
  void WavOnBlockDone(uintptr_t bloco);
  int AbrirDispositivo();
  bool ParadoPorTecla();

  console::Console& console_;
  bool aberto_ = false;
  uint32_t taxa_ = 0;
  uint16_t bits_ = 0, canais_ = 0;
  std::array<std::vector<uint8_t>, kBlocos> blocos_;
  int indiceBloco_ = 0;
  int emVoo_ = 0;
  std::vector<uint8_t> leitura_;
};

}  // namespace wave
