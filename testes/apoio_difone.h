// Shared fixtures of the diphone synthesizer and number reading tests: the
// synthesizer on a temporary TALVEN_DIR, with a player that records what it
// is given instead of sounding it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "apoio.h"
#include "plataforma/wav.h"
#include "tradutor/diphone/difone.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/wave/wave.h"

namespace apoio {

// Records every image it is given; IsSpeaking answers true `ocupado` times
// after each image, so the waits between images show in the log.
class ReprodutorFalso : public diphone::Reprodutor {
 public:
  void PlayImageAndWait(const uint8_t* image, size_t size) override {
    imagens.emplace_back(image, image + size);
    registro.push_back("tocar " + std::to_string(size));
    restante_ = ocupado;
  }
  bool IsSpeaking() override {
    registro.push_back("ocupado");
    if (restante_ == 0) return false;
    --restante_;
    return true;
  }
  void WaitMessage() override { registro.push_back("esperar"); }

  int ocupado = 0;
  std::vector<std::vector<uint8_t>> imagens;
  std::vector<std::string> registro;

 private:
  int restante_ = 0;
};

// A synthesizer (not yet opened) on a fresh TALVEN_DIR, for the life of the
// object: TALVEN.INI points it at letras_ and difones_ (given relative to the
// directory), which hold no recordings and empty rules and exceptions; the
// test writes the rest. Meant as a base of a fixture.
class AmbienteDeDifone {
 protected:
  AmbienteDeDifone(const std::string& letras, const std::string& difones)
      : letras_(dir_ / letras), difones_(dir_ / difones) {
    std::filesystem::create_directories(letras_);
    std::filesystem::create_directories(difones_);
    EscreverArquivo(dir_ / "TALVEN.INI",
                    "[TRADUTOR]\nDIRLETRAS=" + letras_.string() + "\nDIRDIFONES=" + difones_.string() + "\n");
    EscreverArquivo(difones_ / "regras.rgr", "");
    EscreverArquivo(difones_ / "portug.exc", "");
  }

  // All samples played, the images joined without their 44-byte headers.
  std::string Tocado() const {
    std::string r;
    for (const auto& img : reprodutor_.imagens) r.append(img.begin() + 44, img.end());
    return r;
  }

  DiretorioTemporario dir_;
  Variavel talven_{"TALVEN_DIR", dir_.caminho().string()};
  std::filesystem::path letras_;
  std::filesystem::path difones_;
  diphone::RegrasLts regras_;
  ReprodutorFalso reprodutor_;
  diphone::Difone difone_{regras_, reprodutor_};
};

// An image the synthesizer played: a header that reads back as 8-bit mono
// at 11025 Hz and counts exactly the bytes after it. `d` gets what the
// header says. Call through ASSERT_NO_FATAL_FAILURE.
inline void ConferirImagem(const std::vector<uint8_t>& img, plataforma::ImagemWav& d) {
  ASSERT_TRUE(plataforma::LerImagemWav(img.data(), img.size(), d));
  EXPECT_EQ(d.formato.taxa, 11025u);
  EXPECT_EQ(d.formato.bits, 8);
  EXPECT_EQ(d.formato.canais, 1);
  EXPECT_EQ(d.bytes, img.size() - 44);
}

}  // namespace apoio
