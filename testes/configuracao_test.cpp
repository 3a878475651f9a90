// INI reading and the configuration lookup with "@" expansion.
#include <gtest/gtest.h>

#include "apoio.h"
#include "plataforma/arquivos.h"
#include "plataforma/ini.h"
#include "plataforma/texto1252.h"
#include "tradutor/frontend/configuracao.h"

namespace {

class IniTest : public testing::Test {
 protected:
  apoio::DiretorioTemporario sistema, inicio;
  apoio::Variavel talvenDir{"TALVEN_DIR", sistema.caminho().string()};
};

TEST_F(IniTest, PrivateProfileSemantics) {
  apoio::EscreverArquivo(sistema / "TALVEN.INI",
                         "; comentario\r\n"
                         "[Video]\r\n"
                         "  Fonte =  Courier New  \r\n"
                         "fonte=segunda\r\n"
                         "ASPAS=\"  com brancos  \"\r\n"
                         "APOSTROFO='x'\r\n"
                         "VAZIA=\r\n"
                         "LONGA=" + std::string(300, 'L') + "\r\n"
                         "[outra]\r\n"
                         "FONTE=outra\r\n"
                         "[VIDEO]\r\n"
                         "NOVA=duplicada\r\n");
  struct {
    const char *secao, *chave, *padrao;
    size_t tamanho;
    std::string esperado;
  } casos[] = {
      {"VIDEO", "FONTE", "", 80, "Courier New"},     {"video", "fonte", "", 80, "Courier New"},
      {"VIDEO", "ASPAS", "", 80, "  com brancos  "}, {"VIDEO", "APOSTROFO", "", 80, "x"},
      {"VIDEO", "VAZIA", "padrao", 80, ""},          {"VIDEO", "FALTA", "padrao", 80, "padrao"},
      {"NADA", "FONTE", "p", 80, "p"},               {"VIDEO", "LONGA", "", 255, std::string(254, 'L')},
      {"VIDEO", "FONTE", "", 5, "Cour"},             {"OUTRA", "FONTE", "", 80, "outra"},
      // Only the first section of a name is searched.
      {"VIDEO", "NOVA", "nao", 80, "nao"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(plataforma::LerPerfil("TALVEN.INI", c.secao, c.chave, c.padrao, c.tamanho), c.esperado)
        << c.secao << "/" << c.chave;
}

TEST_F(IniTest, FilesAreFoundWithoutRegardToCaseAndBackslashes) {
  apoio::EscreverArquivo(sistema / "Talven.ini", "[A]\nB=1\n");
  EXPECT_EQ(plataforma::LerPerfil("TALVEN.INI", "A", "B", "", 80), "1");
  apoio::EscreverArquivo(sistema / "sub" / "_65.WAV", "x");
  EXPECT_TRUE(plataforma::ArquivoExiste((sistema.caminho() / "sub").string() + "\\_65.wav"));
  EXPECT_FALSE(plataforma::ArquivoExiste((sistema / "sub").string()));
}

TEST_F(IniTest, ConfigValueComesFromTheSystemDirectoryFirst) {
  apoio::EscreverArquivo(inicio / "TALVEN.INI", "[MIRTALAN]\nDIRMIRTALAN=do inicio\n[TALVEN]\nX=t\n");
  frontend::Configuracao configuracao(inicio.caminho().string());
  EXPECT_EQ(configuracao.GetConfigValue("MIRTALAN", "DIRMIRTALAN"), "do inicio");
  EXPECT_EQ(configuracao.GetConfigValue("", "X"), "t");
  apoio::EscreverArquivo(sistema / "TALVEN.INI", "[MIRTALAN]\nDIRMIRTALAN=do sistema\n");
  EXPECT_EQ(configuracao.GetConfigValue("MIRTALAN", "DIRMIRTALAN"), "do sistema");
  EXPECT_EQ(configuracao.GetConfigValue("", "X"), "");
}

TEST_F(IniTest, AtStandsForTheProgramDirectory) {
  struct {
    const char* pgm;  // nullptr: no PGMTALVEN key
    const char* valor;
    std::string esperado;
  } casos[] = {
      {"D:\\fam", "@\\som", "D:\\fam\\som"},
      {"/opt/fam", "@/som/letras/", "/opt/fam/som/letras/"},
      {"/opt/fam", "@", "/opt/fam"},
      {"/opt/fam", "x@/a;y@/b", "x/opt/fam/a;y/opt/fam/b"},
      {"/opt/fam", "nome@dominio", "nome@dominio"},
      {nullptr, "@/som", inicio.caminho().string() + "/som"},
      {"", "@/som", inicio.caminho().string() + "/som"},
      // A program directory that itself holds a marker is not used, and is
      // never expanded again and again.
      {"@/x", "@/som", inicio.caminho().string() + "/som"},
      {"/p@/q", "@/som", "/p@/q/som"},
  };
  frontend::Configuracao configuracao(inicio.caminho().string());
  for (const auto& c : casos) {
    std::string ini = "[S]\nK=" + std::string(c.valor) + "\n";
    if (c.pgm) ini += "[TALVEN]\nPGMTALVEN=" + std::string(c.pgm) + "\n";
    apoio::EscreverArquivo(sistema / "TALVEN.INI", ini);
    EXPECT_EQ(configuracao.GetConfigValue("S", "K"), c.esperado) << c.valor;
  }
}

TEST(NumerosTest, LeadingNumbersAndFlags) {
  struct {
    const char* texto;
    long valor;
    bool completo;
  } casos[] = {{"12", 12, true},   {"12x", 12, false}, {"  7", 7, true}, {"-5", -5, true},
               {"$1F", 31, true},  {"0x10", 16, true}, {"", 0, false},   {"x", 0, false},
               {"99999999999999999999", 99999999999999999, true}};
  for (const auto& c : casos) {
    bool completo;
    long v = frontend::NumeroInicial(c.texto, &completo);
    EXPECT_EQ(completo, c.completo) << c.texto;
    if (std::string(c.texto).size() < 19) EXPECT_EQ(v, c.valor) << c.texto;
    else EXPECT_GT(v, 0) << "no overflow into negative values";
  }
  for (const char* ligado : {"S", "SIM", "1", "y"}) EXPECT_TRUE(frontend::FlagLigada(ligado)) << ligado;
  for (const char* desligado : {"N", "nao", ""}) EXPECT_FALSE(frontend::FlagLigada(desligado)) << desligado;
}

TEST(Texto1252Test, ConvertsValidUtf8AndKeepsOtherBytes) {
  EXPECT_EQ(plataforma::Utf8Para1252("ação"), "a\xE7\xE3o");
  EXPECT_EQ(plataforma::Utf8Para1252("\xE7\xE3"), "\xE7\xE3");
  EXPECT_EQ(plataforma::Utf8Para1252("\xE2\x82\xAC"), "\x80");  // euro sign
  EXPECT_EQ(plataforma::Utf8Para1252("\xE2\x88\x9E"), "\xE2\x88\x9E");  // no such byte
  EXPECT_EQ(plataforma::Cp1252ParaUtf8(0xE7), "ç");
  EXPECT_EQ(plataforma::Cp1252ParaUtf8('A'), "A");
}

}  // namespace
