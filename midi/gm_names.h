#pragma once
// The General MIDI program (instrument) names, indexed by program number
// 0 … 127, the numbers the MIDI dialog shows. Channel 9, the GM percussion
// channel, is never given a program here, so every name is a melodic one.

#include "base/translatable.h"

#include <array>
#include <cstddef>

namespace pitkad {

inline constexpr int gm_program_count = 128;

inline constexpr std::array<const char*, gm_program_count> gm_program_names{
    PITKAD_TR("PitkaD", "アコースティック・グランド・ピアノ"),    // 0
    PITKAD_TR("PitkaD", "ブライト・アコースティック・ピアノ"),    // 1
    PITKAD_TR("PitkaD", "エレクトリック・グランド・ピアノ"),      // 2
    PITKAD_TR("PitkaD", "ホンキートンク・ピアノ"),                // 3
    PITKAD_TR("PitkaD", "エレクトリック・ピアノ 1"),              // 4
    PITKAD_TR("PitkaD", "エレクトリック・ピアノ 2"),              // 5
    PITKAD_TR("PitkaD", "ハープシコード"),                        // 6
    PITKAD_TR("PitkaD", "クラビネット"),                          // 7
    PITKAD_TR("PitkaD", "チェレスタ"),                            // 8
    PITKAD_TR("PitkaD", "グロッケンシュピール"),                  // 9
    PITKAD_TR("PitkaD", "オルゴール"),                            // 10
    PITKAD_TR("PitkaD", "ビブラフォン"),                          // 11
    PITKAD_TR("PitkaD", "マリンバ"),                              // 12
    PITKAD_TR("PitkaD", "シロフォン"),                            // 13
    PITKAD_TR("PitkaD", "チューブラー・ベル"),                    // 14
    PITKAD_TR("PitkaD", "ダルシマー"),                            // 15
    PITKAD_TR("PitkaD", "ドローバー・オルガン"),                  // 16
    PITKAD_TR("PitkaD", "パーカッシブ・オルガン"),                // 17
    PITKAD_TR("PitkaD", "ロック・オルガン"),                      // 18
    PITKAD_TR("PitkaD", "チャーチ・オルガン"),                    // 19
    PITKAD_TR("PitkaD", "リード・オルガン"),                      // 20
    PITKAD_TR("PitkaD", "アコーディオン"),                        // 21
    PITKAD_TR("PitkaD", "ハーモニカ"),                            // 22
    PITKAD_TR("PitkaD", "タンゴ・アコーディオン"),                // 23
    PITKAD_TR("PitkaD", "アコースティック・ギター (ナイロン弦)"), // 24
    PITKAD_TR("PitkaD", "アコースティック・ギター (スチール弦)"), // 25
    PITKAD_TR("PitkaD", "エレクトリック・ギター (ジャズ)"),       // 26
    PITKAD_TR("PitkaD", "エレクトリック・ギター (クリーン)"),     // 27
    PITKAD_TR("PitkaD", "エレクトリック・ギター (ミュート)"),     // 28
    PITKAD_TR("PitkaD", "オーバードライブ・ギター"),              // 29
    PITKAD_TR("PitkaD", "ディストーション・ギター"),              // 30
    PITKAD_TR("PitkaD", "ギター・ハーモニクス"),                  // 31
    PITKAD_TR("PitkaD", "アコースティック・ベース"),              // 32
    PITKAD_TR("PitkaD", "エレクトリック・ベース (指弾き)"),       // 33
    PITKAD_TR("PitkaD", "エレクトリック・ベース (ピック弾き)"),   // 34
    PITKAD_TR("PitkaD", "フレットレス・ベース"),                  // 35
    PITKAD_TR("PitkaD", "スラップ・ベース 1"),                    // 36
    PITKAD_TR("PitkaD", "スラップ・ベース 2"),                    // 37
    PITKAD_TR("PitkaD", "シンセ・ベース 1"),                      // 38
    PITKAD_TR("PitkaD", "シンセ・ベース 2"),                      // 39
    PITKAD_TR("PitkaD", "バイオリン"),                            // 40
    PITKAD_TR("PitkaD", "ビオラ"),                                // 41
    PITKAD_TR("PitkaD", "チェロ"),                                // 42
    PITKAD_TR("PitkaD", "コントラバス"),                          // 43
    PITKAD_TR("PitkaD", "トレモロ・ストリングス"),                // 44
    PITKAD_TR("PitkaD", "ピチカート・ストリングス"),              // 45
    PITKAD_TR("PitkaD", "オーケストラ・ハープ"),                  // 46
    PITKAD_TR("PitkaD", "ティンパニ"),                            // 47
    PITKAD_TR("PitkaD", "ストリングス・アンサンブル 1"),          // 48
    PITKAD_TR("PitkaD", "ストリングス・アンサンブル 2"),          // 49
    PITKAD_TR("PitkaD", "シンセ・ストリングス 1"),                // 50
    PITKAD_TR("PitkaD", "シンセ・ストリングス 2"),                // 51
    PITKAD_TR("PitkaD", "クワイア・アー"),                        // 52
    PITKAD_TR("PitkaD", "ボイス・ウー"),                          // 53
    PITKAD_TR("PitkaD", "シンセ・ボイス"),                        // 54
    PITKAD_TR("PitkaD", "オーケストラ・ヒット"),                  // 55
    PITKAD_TR("PitkaD", "トランペット"),                          // 56
    PITKAD_TR("PitkaD", "トロンボーン"),                          // 57
    PITKAD_TR("PitkaD", "チューバ"),                              // 58
    PITKAD_TR("PitkaD", "ミュート・トランペット"),                // 59
    PITKAD_TR("PitkaD", "フレンチ・ホルン"),                      // 60
    PITKAD_TR("PitkaD", "ブラス・セクション"),                    // 61
    PITKAD_TR("PitkaD", "シンセ・ブラス 1"),                      // 62
    PITKAD_TR("PitkaD", "シンセ・ブラス 2"),                      // 63
    PITKAD_TR("PitkaD", "ソプラノ・サックス"),                    // 64
    PITKAD_TR("PitkaD", "アルト・サックス"),                      // 65
    PITKAD_TR("PitkaD", "テナー・サックス"),                      // 66
    PITKAD_TR("PitkaD", "バリトン・サックス"),                    // 67
    PITKAD_TR("PitkaD", "オーボエ"),                              // 68
    PITKAD_TR("PitkaD", "イングリッシュ・ホルン"),                // 69
    PITKAD_TR("PitkaD", "ファゴット"),                            // 70
    PITKAD_TR("PitkaD", "クラリネット"),                          // 71
    PITKAD_TR("PitkaD", "ピッコロ"),                              // 72
    PITKAD_TR("PitkaD", "フルート"),                              // 73
    PITKAD_TR("PitkaD", "リコーダー"),                            // 74
    PITKAD_TR("PitkaD", "パン・フルート"),                        // 75
    PITKAD_TR("PitkaD", "ボトル・ブロウ"),                        // 76
    PITKAD_TR("PitkaD", "尺八"),                                  // 77
    PITKAD_TR("PitkaD", "口笛"),                                  // 78
    PITKAD_TR("PitkaD", "オカリナ"),                              // 79
    PITKAD_TR("PitkaD", "リード 1 (矩形波)"),                     // 80
    PITKAD_TR("PitkaD", "リード 2 (ノコギリ波)"),                 // 81
    PITKAD_TR("PitkaD", "リード 3 (カリオペ)"),                   // 82
    PITKAD_TR("PitkaD", "リード 4 (チフ)"),                       // 83
    PITKAD_TR("PitkaD", "リード 5 (チャラン)"),                   // 84
    PITKAD_TR("PitkaD", "リード 6 (ボイス)"),                     // 85
    PITKAD_TR("PitkaD", "リード 7 (5度)"),                        // 86
    PITKAD_TR("PitkaD", "リード 8 (ベース + リード)"),            // 87
    PITKAD_TR("PitkaD", "パッド 1 (ニューエイジ)"),               // 88
    PITKAD_TR("PitkaD", "パッド 2 (ウォーム)"),                   // 89
    PITKAD_TR("PitkaD", "パッド 3 (ポリシンセ)"),                 // 90
    PITKAD_TR("PitkaD", "パッド 4 (クワイア)"),                   // 91
    PITKAD_TR("PitkaD", "パッド 5 (ボウ)"),                       // 92
    PITKAD_TR("PitkaD", "パッド 6 (メタリック)"),                 // 93
    PITKAD_TR("PitkaD", "パッド 7 (ハロー)"),                     // 94
    PITKAD_TR("PitkaD", "パッド 8 (スウィープ)"),                 // 95
    PITKAD_TR("PitkaD", "効果音 1 (雨)"),                         // 96
    PITKAD_TR("PitkaD", "効果音 2 (サウンドトラック)"),           // 97
    PITKAD_TR("PitkaD", "効果音 3 (クリスタル)"),                 // 98
    PITKAD_TR("PitkaD", "効果音 4 (アトモスフィア)"),             // 99
    PITKAD_TR("PitkaD", "効果音 5 (ブライトネス)"),               // 100
    PITKAD_TR("PitkaD", "効果音 6 (ゴブリン)"),                   // 101
    PITKAD_TR("PitkaD", "効果音 7 (エコー)"),                     // 102
    PITKAD_TR("PitkaD", "効果音 8 (SF)"),                         // 103
    PITKAD_TR("PitkaD", "シタール"),                              // 104
    PITKAD_TR("PitkaD", "バンジョー"),                            // 105
    PITKAD_TR("PitkaD", "三味線"),                                // 106
    PITKAD_TR("PitkaD", "琴"),                                    // 107
    PITKAD_TR("PitkaD", "カリンバ"),                              // 108
    PITKAD_TR("PitkaD", "バグパイプ"),                            // 109
    PITKAD_TR("PitkaD", "フィドル"),                              // 110
    PITKAD_TR("PitkaD", "シャナイ"),                              // 111
    PITKAD_TR("PitkaD", "ティンクル・ベル"),                      // 112
    PITKAD_TR("PitkaD", "アゴゴ"),                                // 113
    PITKAD_TR("PitkaD", "スチール・ドラム"),                      // 114
    PITKAD_TR("PitkaD", "ウッドブロック"),                        // 115
    PITKAD_TR("PitkaD", "太鼓"),                                  // 116
    PITKAD_TR("PitkaD", "メロディック・タム"),                    // 117
    PITKAD_TR("PitkaD", "シンセ・ドラム"),                        // 118
    PITKAD_TR("PitkaD", "リバース・シンバル"),                    // 119
    PITKAD_TR("PitkaD", "ギター・フレット・ノイズ"),              // 120
    PITKAD_TR("PitkaD", "ブレス・ノイズ"),                        // 121
    PITKAD_TR("PitkaD", "波の音"),                                // 122
    PITKAD_TR("PitkaD", "鳥のさえずり"),                          // 123
    PITKAD_TR("PitkaD", "電話のベル"),                            // 124
    PITKAD_TR("PitkaD", "ヘリコプター"),                          // 125
    PITKAD_TR("PitkaD", "拍手"),                                  // 126
    PITKAD_TR("PitkaD", "銃声"),                                  // 127
};

// The name of program n, or "" outside 0 … 127.
constexpr const char* gm_program_name(int n) {
    return n >= 0 && n < gm_program_count ? gm_program_names[std::size_t(n)] : "";
}

} // namespace pitkad
