<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>PitkaD</name>
    <message>
        <source>ファイルがオープンできません.</source>
        <translation>Cannot open the file.</translation>
    </message>
    <message>
        <source>サポート外のファイルです</source>
        <translation>Unsupported file</translation>
    </message>
    <message>
        <source>ヘッダが読めません</source>
        <translation>Cannot read the header</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます</source>
        <translation>The file is too large</translation>
    </message>
    <message>
        <source>データファイルが保存できません. 中止します.</source>
        <translation>Cannot save the data file. Stopping.</translation>
    </message>
    <message>
        <source>再生するファイルが指定されていません。</source>
        <translation>No file to play was given.</translation>
    </message>
    <message>
        <source>指定されたファイルが見つかりません。</source>
        <translation>The file cannot be found.</translation>
    </message>
    <message>
        <source>ファイルを読み込めません。</source>
        <translation>Cannot read the file.</translation>
    </message>
    <message>
        <source>WAV ファイルではありません。</source>
        <translation>Not a WAV file.</translation>
    </message>
    <message>
        <source>このファイルの形式には対応していません (16 ビット PCM のみ)。</source>
        <translation>This file format is not supported (16-bit PCM only).</translation>
    </message>
    <message>
        <source>ファイルが壊れています。</source>
        <translation>The file is damaged.</translation>
    </message>
    <message>
        <source>オーディオデバイスがありません</source>
        <translation>No audio device</translation>
    </message>
    <message>
        <source>描画ツール</source>
        <translation>Drawing Tools</translation>
    </message>
    <message>
        <source>  に書けません</source>
        <translation>  cannot be written</translation>
    </message>
    <message>
        <source>  が見つかりません</source>
        <translation>  cannot be found</translation>
    </message>
    <message>
        <source>  が読めません</source>
        <translation>  cannot be read</translation>
    </message>
    <message>
        <source>描画データが変更されています. 保存しますか?</source>
        <translation>The drawing has been changed. Save it?</translation>
    </message>
    <message>
        <source>保存する</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存しない</source>
        <translation>Don&apos;t Save</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>描画データ (*.pkc)</source>
        <translation>Drawings (*.pkc)</translation>
    </message>
    <message>
        <source>前回保存されなかった描画データがあります. 復元しますか?</source>
        <translation>A drawing was not saved last time. Restore it?</translation>
    </message>
    <message>
        <source>復元する</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>破棄する</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>後で</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>線間の1/2</source>
        <translation>1/2 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/4</source>
        <translation>1/4 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/8</source>
        <translation>1/8 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/16</source>
        <translation>1/16 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/32</source>
        <translation>1/32 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/64</source>
        <translation>1/64 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/128</source>
        <translation>1/128 of the line spacing</translation>
    </message>
    <message>
        <source>線間の1/256</source>
        <translation>1/256 of the line spacing</translation>
    </message>
    <message>
        <source>MIDIファイルを読み込めません: </source>
        <translation>Cannot read the MIDI file: </translation>
    </message>
    <message>
        <source>Standard MIDI File ではありません</source>
        <translation>Not a Standard MIDI File</translation>
    </message>
    <message>
        <source>チャンクの長さが正しくありません</source>
        <translation>A chunk length is wrong</translation>
    </message>
    <message>
        <source>形式 0 と 1 だけを読み込めます</source>
        <translation>Only formats 0 and 1 can be read</translation>
    </message>
    <message>
        <source>時間単位が正しくありません</source>
        <translation>The time division is wrong</translation>
    </message>
    <message>
        <source>トラックが足りません</source>
        <translation>Tracks are missing</translation>
    </message>
    <message>
        <source>イベントが壊れています</source>
        <translation>An event is damaged</translation>
    </message>
    <message>
        <source>ステータスのないデータがあります</source>
        <translation>Data without a status byte</translation>
    </message>
    <message>
        <source>トラックが終わっていません</source>
        <translation>A track does not end</translation>
    </message>
    <message>
        <source>デルタタイムが大きすぎます</source>
        <translation>A delta time is too large</translation>
    </message>
    <message>
        <source>イベントが多すぎます</source>
        <translation>Too many events</translation>
    </message>
    <message>
        <source>読み込んだ音符: </source>
        <translation>Notes read: </translation>
    </message>
    <message>
        <source>、線: </source>
        <translation>, lines: </translation>
    </message>
    <message>
        <source>、音域外で省いた音符: </source>
        <translation>, notes left out (outside the range): </translation>
    </message>
    <message>
        <source>、曲の後で省いた音符: </source>
        <translation>, notes left out (after the end): </translation>
    </message>
    <message>
        <source>wavファイル (*.wav)</source>
        <translation>WAV files (*.wav)</translation>
    </message>
    <message>
        <source>その他 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Linux 版 (Qt 6)</source>
        <translation>Linux edition (Qt 6)</translation>
    </message>
    <message>
        <source>MIDIファイルに書き出す…</source>
        <translation>Export MIDI File…</translation>
    </message>
    <message>
        <source>MIDIファイルを読み込む…</source>
        <translation>Import MIDI File…</translation>
    </message>
    <message>
        <source>画像として書き出す…</source>
        <translation>Export as Image…</translation>
    </message>
    <message>
        <source>解析データをCSVで書き出す…</source>
        <translation>Export Analysis as CSV…</translation>
    </message>
    <message>
        <source>MIDIファイル (*.mid *.midi)</source>
        <translation>MIDI files (*.mid *.midi)</translation>
    </message>
    <message>
        <source>PNG画像 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>CSVファイル (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>線は拍</source>
        <translation>Lines are beats</translation>
    </message>
    <message>
        <source>線は小節</source>
        <translation>Lines are bars</translation>
    </message>
    <message>
        <source>1小節の拍数</source>
        <translation>Beats per bar</translation>
    </message>
    <message>
        <source>量子化: 線間の1/</source>
        <translation>Quantise: line spacing 1/</translation>
    </message>
    <message>
        <source>選択した音符だけ</source>
        <translation>Selected notes only</translation>
    </message>
    <message>
        <source>描画を置き換える</source>
        <translation>Replace the drawing</translation>
    </message>
    <message>
        <source>描画に追加する</source>
        <translation>Add to the drawing</translation>
    </message>
    <message>
        <source>線を引かない</source>
        <translation>No lines</translation>
    </message>
    <message>
        <source>拍ごとに線を引く</source>
        <translation>A line every beat</translation>
    </message>
    <message>
        <source>小節ごとに線を引く</source>
        <translation>A line every bar</translation>
    </message>
    <message>
        <source>どの部分を書き出しますか?</source>
        <translation>Which part should be exported?</translation>
    </message>
    <message>
        <source>表示部分</source>
        <translation>Visible part</translation>
    </message>
    <message>
        <source>曲全体</source>
        <translation>Whole recording</translation>
    </message>
    <message>
        <source>描画の音符も別のCSVファイルに書き出しますか?</source>
        <translation>Also export the drawing&apos;s notes to a separate CSV file?</translation>
    </message>
    <message>
        <source>書き出す</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>書き出さない</source>
        <translation>Don&apos;t Export</translation>
    </message>
    <message>
        <source>編集 (&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>やり直し</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く (&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>最近使ったファイル</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>設定を保存 (&amp;S)</source>
        <translation>&amp;Save Settings</translation>
    </message>
    <message>
        <source>終了 (&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示 (&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ラウドネス補正 (&amp;A)</source>
        <translation>Lou&amp;dness Correction</translation>
    </message>
    <message>
        <source>音階色別表示 (&amp;C)</source>
        <translation>&amp;Colour by Note Name</translation>
    </message>
    <message>
        <source>音階表示 - 左 (&amp;L)</source>
        <translation>Note Names on the L&amp;eft</translation>
    </message>
    <message>
        <source>音階表示 - 右 (&amp;R)</source>
        <translation>Note Names on the &amp;Right</translation>
    </message>
    <message>
        <source>周波数 (&amp;F)</source>
        <translation>&amp;Frequency</translation>
    </message>
    <message>
        <source>ノート番号 (&amp;N)</source>
        <translation>&amp;Note Number</translation>
    </message>
    <message>
        <source>ライン幅 (&amp;L)</source>
        <translation>&amp;Line Width</translation>
    </message>
    <message>
        <source>描画ツール (&amp;D)</source>
        <translation>&amp;Drawing Tools</translation>
    </message>
    <message>
        <source>設定 (&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>サポートページ (&amp;S)</source>
        <translation>&amp;Support Page</translation>
    </message>
    <message>
        <source>バージョン情報 (&amp;A)</source>
        <translation>&amp;About PitkaD</translation>
    </message>
    <message>
        <source>感度</source>
        <translation>Gain</translation>
    </message>
    <message>
        <source>色調整</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>MIDI の設定</source>
        <translation>MIDI Settings</translation>
    </message>
    <message>
        <source>&#x3000;音色と音量&#x3000;</source>
        <translation> Instrument and Volume </translation>
    </message>
    <message>
        <source>グラフ&#x3000;クリック用</source>
        <translation>Graph clicks</translation>
    </message>
    <message>
        <source>描画データ再生用</source>
        <translation>Drawing playback</translation>
    </message>
    <message>
        <source>描画データ再生時の発音遅れ補償 (×20ms)</source>
        <translation>Delay compensation in drawing playback (×20 ms)</translation>
    </message>
    <message>
        <source>再生 (&amp;P)</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>最初から再生 (&amp;S)	P</source>
        <translation>Play from the &amp;Start	P</translation>
    </message>
    <message>
        <source>停止 (&amp;T)	S</source>
        <translation>S&amp;top	S</translation>
    </message>
    <message>
        <source>一時停止 (&amp;A)	Esc</source>
        <translation>P&amp;ause	Esc</translation>
    </message>
    <message>
        <source>ここから再生 / 一時停止 (&amp;H)	Space</source>
        <translation>Play from &amp;Here / Pause	Space</translation>
    </message>
    <message>
        <source>遅く (&amp;D)	-</source>
        <translation>Slow &amp;Down	-</translation>
    </message>
    <message>
        <source>速く (&amp;F)	+</source>
        <translation>&amp;Faster	+</translation>
    </message>
    <message>
        <source>速度 100% (&amp;N)	0</source>
        <translation>&amp;Normal Speed (100%)	0</translation>
    </message>
    <message>
        <source>速度 (&amp;E)</source>
        <translation>Sp&amp;eed</translation>
    </message>
    <message>
        <source>半音下げる (&amp;W)	,</source>
        <translation>Semitone Do&amp;wn	,</translation>
    </message>
    <message>
        <source>半音上げる (&amp;U)	.</source>
        <translation>Semitone &amp;Up	.</translation>
    </message>
    <message>
        <source>音程を元に戻す (&amp;R)</source>
        <translation>&amp;Reset Pitch</translation>
    </message>
    <message>
        <source>ループ始点を設定 (&amp;B)	[</source>
        <translation>Set Loop &amp;Beginning	[</translation>
    </message>
    <message>
        <source>ループ終点を設定 (&amp;G)	]</source>
        <translation>Set Loop Endin&amp;g	]</translation>
    </message>
    <message>
        <source>この区間をループ (&amp;L)	L</source>
        <translation>&amp;Loop Between These Lines	L</translation>
    </message>
    <message>
        <source>ループ解除 (&amp;C)	\</source>
        <translation>&amp;Clear Loop	\</translation>
    </message>
    <message>
        <source>ループの間 (&amp;I)</source>
        <translation>&amp;Interval Between Repeats</translation>
    </message>
    <message>
        <source>チャンネル (&amp;K)</source>
        <translation>Channel Mi&amp;x</translation>
    </message>
    <message>
        <source>フォーカス (&amp;O)</source>
        <translation>F&amp;ocus</translation>
    </message>
    <message>
        <source>音質 (&amp;Q)</source>
        <translation>Sound &amp;Quality</translation>
    </message>
    <message>
        <source>練習パネル (&amp;X)</source>
        <translation>&amp;Practice Panel</translation>
    </message>
    <message>
        <source>ステレオ</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>モノラル</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>センター除去</source>
        <translation>Centre removed</translation>
    </message>
    <message>
        <source>オフ</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>低音 (C3 未満)</source>
        <translation>Bass (below C3)</translation>
    </message>
    <message>
        <source>C3 以上</source>
        <translation>C3 and above</translation>
    </message>
    <message>
        <source>高品質 (標準)</source>
        <translation>Finer</translation>
    </message>
    <message>
        <source>高速</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>プリセット</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>移調</source>
        <translation>Transpose</translation>
    </message>
    <message>
        <source>微調整</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source> セント</source>
        <translation> cents</translation>
    </message>
    <message>
        <source>音質</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation>Channels</translation>
    </message>
    <message>
        <source>ループ</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>始点</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>終点</source>
        <translation>End</translation>
    </message>
    <message>
        <source>区間</source>
        <translation>Span</translation>
    </message>
    <message>
        <source>解除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>間隔</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>フォーカス</source>
        <translation>Focus</translation>
    </message>
    <message>
        <source>音声ファイル (*.wav *.mp3 *.m4a *.aac *.flac *.ogg *.oga *.opus *.aif *.aiff *.wma *.mp4 *.mkv *.webm)</source>
        <translation>Audio files (*.wav *.mp3 *.m4a *.aac *.flac *.ogg *.oga *.opus *.aif *.aiff *.wma *.mp4 *.mkv *.webm)</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>日本語</translation>
    </message>
    <message>
        <source>アコースティック・グランド・ピアノ</source>
        <translation>Acoustic Grand Piano</translation>
    </message>
    <message>
        <source>ブライト・アコースティック・ピアノ</source>
        <translation>Bright Acoustic Piano</translation>
    </message>
    <message>
        <source>エレクトリック・グランド・ピアノ</source>
        <translation>Electric Grand Piano</translation>
    </message>
    <message>
        <source>ホンキートンク・ピアノ</source>
        <translation>Honky-tonk Piano</translation>
    </message>
    <message>
        <source>エレクトリック・ピアノ 1</source>
        <translation>Electric Piano 1</translation>
    </message>
    <message>
        <source>エレクトリック・ピアノ 2</source>
        <translation>Electric Piano 2</translation>
    </message>
    <message>
        <source>ハープシコード</source>
        <translation>Harpsichord</translation>
    </message>
    <message>
        <source>クラビネット</source>
        <translation>Clavi</translation>
    </message>
    <message>
        <source>チェレスタ</source>
        <translation>Celesta</translation>
    </message>
    <message>
        <source>グロッケンシュピール</source>
        <translation>Glockenspiel</translation>
    </message>
    <message>
        <source>オルゴール</source>
        <translation>Music Box</translation>
    </message>
    <message>
        <source>ビブラフォン</source>
        <translation>Vibraphone</translation>
    </message>
    <message>
        <source>マリンバ</source>
        <translation>Marimba</translation>
    </message>
    <message>
        <source>シロフォン</source>
        <translation>Xylophone</translation>
    </message>
    <message>
        <source>チューブラー・ベル</source>
        <translation>Tubular Bells</translation>
    </message>
    <message>
        <source>ダルシマー</source>
        <translation>Dulcimer</translation>
    </message>
    <message>
        <source>ドローバー・オルガン</source>
        <translation>Drawbar Organ</translation>
    </message>
    <message>
        <source>パーカッシブ・オルガン</source>
        <translation>Percussive Organ</translation>
    </message>
    <message>
        <source>ロック・オルガン</source>
        <translation>Rock Organ</translation>
    </message>
    <message>
        <source>チャーチ・オルガン</source>
        <translation>Church Organ</translation>
    </message>
    <message>
        <source>リード・オルガン</source>
        <translation>Reed Organ</translation>
    </message>
    <message>
        <source>アコーディオン</source>
        <translation>Accordion</translation>
    </message>
    <message>
        <source>ハーモニカ</source>
        <translation>Harmonica</translation>
    </message>
    <message>
        <source>タンゴ・アコーディオン</source>
        <translation>Tango Accordion</translation>
    </message>
    <message>
        <source>アコースティック・ギター (ナイロン弦)</source>
        <translation>Acoustic Guitar (nylon)</translation>
    </message>
    <message>
        <source>アコースティック・ギター (スチール弦)</source>
        <translation>Acoustic Guitar (steel)</translation>
    </message>
    <message>
        <source>エレクトリック・ギター (ジャズ)</source>
        <translation>Electric Guitar (jazz)</translation>
    </message>
    <message>
        <source>エレクトリック・ギター (クリーン)</source>
        <translation>Electric Guitar (clean)</translation>
    </message>
    <message>
        <source>エレクトリック・ギター (ミュート)</source>
        <translation>Electric Guitar (muted)</translation>
    </message>
    <message>
        <source>オーバードライブ・ギター</source>
        <translation>Overdriven Guitar</translation>
    </message>
    <message>
        <source>ディストーション・ギター</source>
        <translation>Distortion Guitar</translation>
    </message>
    <message>
        <source>ギター・ハーモニクス</source>
        <translation>Guitar Harmonics</translation>
    </message>
    <message>
        <source>アコースティック・ベース</source>
        <translation>Acoustic Bass</translation>
    </message>
    <message>
        <source>エレクトリック・ベース (指弾き)</source>
        <translation>Electric Bass (finger)</translation>
    </message>
    <message>
        <source>エレクトリック・ベース (ピック弾き)</source>
        <translation>Electric Bass (pick)</translation>
    </message>
    <message>
        <source>フレットレス・ベース</source>
        <translation>Fretless Bass</translation>
    </message>
    <message>
        <source>スラップ・ベース 1</source>
        <translation>Slap Bass 1</translation>
    </message>
    <message>
        <source>スラップ・ベース 2</source>
        <translation>Slap Bass 2</translation>
    </message>
    <message>
        <source>シンセ・ベース 1</source>
        <translation>Synth Bass 1</translation>
    </message>
    <message>
        <source>シンセ・ベース 2</source>
        <translation>Synth Bass 2</translation>
    </message>
    <message>
        <source>バイオリン</source>
        <translation>Violin</translation>
    </message>
    <message>
        <source>ビオラ</source>
        <translation>Viola</translation>
    </message>
    <message>
        <source>チェロ</source>
        <translation>Cello</translation>
    </message>
    <message>
        <source>コントラバス</source>
        <translation>Contrabass</translation>
    </message>
    <message>
        <source>トレモロ・ストリングス</source>
        <translation>Tremolo Strings</translation>
    </message>
    <message>
        <source>ピチカート・ストリングス</source>
        <translation>Pizzicato Strings</translation>
    </message>
    <message>
        <source>オーケストラ・ハープ</source>
        <translation>Orchestral Harp</translation>
    </message>
    <message>
        <source>ティンパニ</source>
        <translation>Timpani</translation>
    </message>
    <message>
        <source>ストリングス・アンサンブル 1</source>
        <translation>String Ensemble 1</translation>
    </message>
    <message>
        <source>ストリングス・アンサンブル 2</source>
        <translation>String Ensemble 2</translation>
    </message>
    <message>
        <source>シンセ・ストリングス 1</source>
        <translation>Synth Strings 1</translation>
    </message>
    <message>
        <source>シンセ・ストリングス 2</source>
        <translation>Synth Strings 2</translation>
    </message>
    <message>
        <source>クワイア・アー</source>
        <translation>Choir Aahs</translation>
    </message>
    <message>
        <source>ボイス・ウー</source>
        <translation>Voice Oohs</translation>
    </message>
    <message>
        <source>シンセ・ボイス</source>
        <translation>Synth Voice</translation>
    </message>
    <message>
        <source>オーケストラ・ヒット</source>
        <translation>Orchestra Hit</translation>
    </message>
    <message>
        <source>トランペット</source>
        <translation>Trumpet</translation>
    </message>
    <message>
        <source>トロンボーン</source>
        <translation>Trombone</translation>
    </message>
    <message>
        <source>チューバ</source>
        <translation>Tuba</translation>
    </message>
    <message>
        <source>ミュート・トランペット</source>
        <translation>Muted Trumpet</translation>
    </message>
    <message>
        <source>フレンチ・ホルン</source>
        <translation>French Horn</translation>
    </message>
    <message>
        <source>ブラス・セクション</source>
        <translation>Brass Section</translation>
    </message>
    <message>
        <source>シンセ・ブラス 1</source>
        <translation>Synth Brass 1</translation>
    </message>
    <message>
        <source>シンセ・ブラス 2</source>
        <translation>Synth Brass 2</translation>
    </message>
    <message>
        <source>ソプラノ・サックス</source>
        <translation>Soprano Sax</translation>
    </message>
    <message>
        <source>アルト・サックス</source>
        <translation>Alto Sax</translation>
    </message>
    <message>
        <source>テナー・サックス</source>
        <translation>Tenor Sax</translation>
    </message>
    <message>
        <source>バリトン・サックス</source>
        <translation>Baritone Sax</translation>
    </message>
    <message>
        <source>オーボエ</source>
        <translation>Oboe</translation>
    </message>
    <message>
        <source>イングリッシュ・ホルン</source>
        <translation>English Horn</translation>
    </message>
    <message>
        <source>ファゴット</source>
        <translation>Bassoon</translation>
    </message>
    <message>
        <source>クラリネット</source>
        <translation>Clarinet</translation>
    </message>
    <message>
        <source>ピッコロ</source>
        <translation>Piccolo</translation>
    </message>
    <message>
        <source>フルート</source>
        <translation>Flute</translation>
    </message>
    <message>
        <source>リコーダー</source>
        <translation>Recorder</translation>
    </message>
    <message>
        <source>パン・フルート</source>
        <translation>Pan Flute</translation>
    </message>
    <message>
        <source>ボトル・ブロウ</source>
        <translation>Blown Bottle</translation>
    </message>
    <message>
        <source>尺八</source>
        <translation>Shakuhachi</translation>
    </message>
    <message>
        <source>口笛</source>
        <translation>Whistle</translation>
    </message>
    <message>
        <source>オカリナ</source>
        <translation>Ocarina</translation>
    </message>
    <message>
        <source>リード 1 (矩形波)</source>
        <translation>Lead 1 (square)</translation>
    </message>
    <message>
        <source>リード 2 (ノコギリ波)</source>
        <translation>Lead 2 (sawtooth)</translation>
    </message>
    <message>
        <source>リード 3 (カリオペ)</source>
        <translation>Lead 3 (calliope)</translation>
    </message>
    <message>
        <source>リード 4 (チフ)</source>
        <translation>Lead 4 (chiff)</translation>
    </message>
    <message>
        <source>リード 5 (チャラン)</source>
        <translation>Lead 5 (charang)</translation>
    </message>
    <message>
        <source>リード 6 (ボイス)</source>
        <translation>Lead 6 (voice)</translation>
    </message>
    <message>
        <source>リード 7 (5度)</source>
        <translation>Lead 7 (fifths)</translation>
    </message>
    <message>
        <source>リード 8 (ベース + リード)</source>
        <translation>Lead 8 (bass + lead)</translation>
    </message>
    <message>
        <source>パッド 1 (ニューエイジ)</source>
        <translation>Pad 1 (new age)</translation>
    </message>
    <message>
        <source>パッド 2 (ウォーム)</source>
        <translation>Pad 2 (warm)</translation>
    </message>
    <message>
        <source>パッド 3 (ポリシンセ)</source>
        <translation>Pad 3 (polysynth)</translation>
    </message>
    <message>
        <source>パッド 4 (クワイア)</source>
        <translation>Pad 4 (choir)</translation>
    </message>
    <message>
        <source>パッド 5 (ボウ)</source>
        <translation>Pad 5 (bowed)</translation>
    </message>
    <message>
        <source>パッド 6 (メタリック)</source>
        <translation>Pad 6 (metallic)</translation>
    </message>
    <message>
        <source>パッド 7 (ハロー)</source>
        <translation>Pad 7 (halo)</translation>
    </message>
    <message>
        <source>パッド 8 (スウィープ)</source>
        <translation>Pad 8 (sweep)</translation>
    </message>
    <message>
        <source>効果音 1 (雨)</source>
        <translation>FX 1 (rain)</translation>
    </message>
    <message>
        <source>効果音 2 (サウンドトラック)</source>
        <translation>FX 2 (soundtrack)</translation>
    </message>
    <message>
        <source>効果音 3 (クリスタル)</source>
        <translation>FX 3 (crystal)</translation>
    </message>
    <message>
        <source>効果音 4 (アトモスフィア)</source>
        <translation>FX 4 (atmosphere)</translation>
    </message>
    <message>
        <source>効果音 5 (ブライトネス)</source>
        <translation>FX 5 (brightness)</translation>
    </message>
    <message>
        <source>効果音 6 (ゴブリン)</source>
        <translation>FX 6 (goblins)</translation>
    </message>
    <message>
        <source>効果音 7 (エコー)</source>
        <translation>FX 7 (echoes)</translation>
    </message>
    <message>
        <source>効果音 8 (SF)</source>
        <translation>FX 8 (sci-fi)</translation>
    </message>
    <message>
        <source>シタール</source>
        <translation>Sitar</translation>
    </message>
    <message>
        <source>バンジョー</source>
        <translation>Banjo</translation>
    </message>
    <message>
        <source>三味線</source>
        <translation>Shamisen</translation>
    </message>
    <message>
        <source>琴</source>
        <translation>Koto</translation>
    </message>
    <message>
        <source>カリンバ</source>
        <translation>Kalimba</translation>
    </message>
    <message>
        <source>バグパイプ</source>
        <translation>Bagpipe</translation>
    </message>
    <message>
        <source>フィドル</source>
        <translation>Fiddle</translation>
    </message>
    <message>
        <source>シャナイ</source>
        <translation>Shanai</translation>
    </message>
    <message>
        <source>ティンクル・ベル</source>
        <translation>Tinkle Bell</translation>
    </message>
    <message>
        <source>アゴゴ</source>
        <translation>Agogo</translation>
    </message>
    <message>
        <source>スチール・ドラム</source>
        <translation>Steel Drums</translation>
    </message>
    <message>
        <source>ウッドブロック</source>
        <translation>Woodblock</translation>
    </message>
    <message>
        <source>太鼓</source>
        <translation>Taiko Drum</translation>
    </message>
    <message>
        <source>メロディック・タム</source>
        <translation>Melodic Tom</translation>
    </message>
    <message>
        <source>シンセ・ドラム</source>
        <translation>Synth Drum</translation>
    </message>
    <message>
        <source>リバース・シンバル</source>
        <translation>Reverse Cymbal</translation>
    </message>
    <message>
        <source>ギター・フレット・ノイズ</source>
        <translation>Guitar Fret Noise</translation>
    </message>
    <message>
        <source>ブレス・ノイズ</source>
        <translation>Breath Noise</translation>
    </message>
    <message>
        <source>波の音</source>
        <translation>Seashore</translation>
    </message>
    <message>
        <source>鳥のさえずり</source>
        <translation>Bird Tweet</translation>
    </message>
    <message>
        <source>電話のベル</source>
        <translation>Telephone Ring</translation>
    </message>
    <message>
        <source>ヘリコプター</source>
        <translation>Helicopter</translation>
    </message>
    <message>
        <source>拍手</source>
        <translation>Applause</translation>
    </message>
    <message>
        <source>銃声</source>
        <translation>Gunshot</translation>
    </message>
    <message>
        <source>ブラウザを起動できません. マニュアルはこのファイルです:</source>
        <translation>No web browser could be started. The manual is this file:</translation>
    </message>
    <message>
        <source>ペン描画</source>
        <translation>Pen drawing</translation>
    </message>
    <message>
        <source>ライン描画</source>
        <translation>Line drawing</translation>
    </message>
    <message>
        <source>ペン選択</source>
        <translation>Pen selection</translation>
    </message>
    <message>
        <source>ライン選択</source>
        <translation>Line selection</translation>
    </message>
    <message>
        <source>クリップボードへコピー</source>
        <translation>Copy to clipboard</translation>
    </message>
    <message>
        <source>選択を削除</source>
        <translation>Delete selection</translation>
    </message>
    <message>
        <source>すべて選択</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>線の間隔を左へ複製</source>
        <translation>Repeat line interval to the left</translation>
    </message>
    <message>
        <source>線の間隔を右へ複製</source>
        <translation>Repeat line interval to the right</translation>
    </message>
    <message>
        <source>描画をMIDIで鳴らす</source>
        <translation>Play drawing over MIDI</translation>
    </message>
    <message>
        <source>音符を表示</source>
        <translation>Show notes</translation>
    </message>
    <message>
        <source>線を表示</source>
        <translation>Show lines</translation>
    </message>
    <message>
        <source>量子化</source>
        <translation>Quantise</translation>
    </message>
    <message>
        <source>描画を読み込む</source>
        <translation>Load drawing</translation>
    </message>
    <message>
        <source>描画を保存</source>
        <translation>Save drawing</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>MIDI (&amp;M)</source>
        <translation>&amp;MIDI</translation>
    </message>
    <message>
        <source>書けません</source>
        <translation>cannot be written</translation>
    </message>
    <message>
        <source>言語 / Lan&amp;guage</source>
        <translation>言語 / Lan&amp;guage</translation>
    </message>
    <message>
        <source>読めなかった描画データを次のファイルに残しました:</source>
        <translation>The drawing file that could not be read was kept as:</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>Not a regular file</translation>
    </message>
    <message>
        <source>ヘッダのフレーム数が正しくありません</source>
        <translation>The frame count in the header is out of range</translation>
    </message>
    <message>
        <source>ファイルが途中で終わっています</source>
        <translation>The file ends early</translation>
    </message>
    <message>
        <source>MIDIの音色か音量が正しくありません</source>
        <translation>A MIDI program or volume is out of range</translation>
    </message>
    <message>
        <source>描画に正しくない値があります</source>
        <translation>The drawing holds invalid values</translation>
    </message>
    <message>
        <source>描画データは %1 フレーム用です. %2 フレームに切り詰めました</source>
        <translation>The drawing was made for %1 frames; cut to %2</translation>
    </message>
    <message>
        <source>描画データは %1 フレーム用です. %2 フレームまで延ばしました</source>
        <translation>The drawing was made for %1 frames; padded to %2</translation>
    </message>
    <message>
        <source>残り %1 秒</source>
        <translation>%1 s left</translation>
    </message>
    <message>
        <source>%1: %2 フレーム、解析しました、%3 秒</source>
        <translation>%1: %2 frames, analysed, %3 s</translation>
    </message>
    <message>
        <source>ウィンドウの部品を読み込めません: %1</source>
        <translation>cannot load the window&apos;s part: %1</translation>
    </message>
    <message>
        <source>%1: %2 フレーム、キャッシュを使いました、%3 秒</source>
        <translation>%1: %2 frames, cache used, %3 s</translation>
    </message>
    <message>
        <source>描画データがあります. --replace で置き換えます</source>
        <translation>a drawing exists; --replace replaces it</translation>
    </message>
    <message>
        <source>%1: %2 バイト</source>
        <translation>%1: %2 bytes</translation>
    </message>
    <message>
        <source>%1: %2 フレーム</source>
        <translation>%1: %2 frames</translation>
    </message>
    <message>
        <source>描画データの復元用コピーを書けません. 保存するまで変更は守られません:</source>
        <translation>The recovery copy of the drawing cannot be written; until you save, a crash would lose the changes:</translation>
    </message>
    <message>
        <source>別の名前で保存しますか?</source>
        <translation>Save it under another name?</translation>
    </message>
    <message>
        <source>  が読めないため、既定の設定で始めます</source>
        <translation>  cannot be read; PitkaD starts with the default settings</translation>
    </message>
    <message>
        <source>この録音は別の PitkaD のウィンドウでも開かれています。両方で描くと、後から保存した方が先の保存を置き換えます。</source>
        <translation>This recording is also open in another PitkaD window. If you draw in both, the later save replaces the earlier one.</translation>
    </message>
    <message>
        <source>描画ファイル %1 は、読み込んだ後に別のプログラムかウィンドウで変更されています。</source>
        <translation>The drawing file %1 was changed by another program or window since it was read.</translation>
    </message>
    <message>
        <source>上書き保存</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>読み直す</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>ズーム (&amp;Z)</source>
        <translation>&amp;Zoom</translation>
    </message>
    <message>
        <source>時間軸を拡大 (&amp;I)</source>
        <translation>Zoom &amp;In (Time)</translation>
    </message>
    <message>
        <source>時間軸を縮小 (&amp;O)</source>
        <translation>Zoom &amp;Out (Time)</translation>
    </message>
    <message>
        <source>曲全体を表示 (&amp;W)</source>
        <translation>&amp;Whole Recording</translation>
    </message>
    <message>
        <source>行を高く (&amp;T)</source>
        <translation>&amp;Taller Rows</translation>
    </message>
    <message>
        <source>行を低く (&amp;L)</source>
        <translation>&amp;Lower Rows</translation>
    </message>
    <message>
        <source>先頭へ (&amp;S)</source>
        <translation>Go to &amp;Start</translation>
    </message>
    <message>
        <source>末尾へ (&amp;E)</source>
        <translation>Go to &amp;End</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>時間を秒で表示 (&amp;T)</source>
        <translation>&amp;Time in Seconds</translation>
    </message>
    <message>
        <source>ツールなし</source>
        <translation>No tool</translation>
    </message>
    <message>
        <source>オン</source>
        <translation>On</translation>
    </message>
    <message>
        <source>、同じ高さと色の音に重なって一つになった音符: </source>
        <translation>, notes merged (overlapping a note of the same pitch and colour): </translation>
    </message>
    <message>
        <source>、ドラム (チャンネル 10) で省いた音符: </source>
        <translation>, notes left out (drums, channel 10): </translation>
    </message>
    <message>
        <source>使い方: pitkad --export-midi ファイル -o 出力.mid [--lines beats|bars]
       [--beats-per-bar N] [--quantise N] [--tempo lines|bars]
</source>
        <translation>usage: pitkad --export-midi FILE -o OUT.mid [--lines beats|bars]
       [--beats-per-bar N] [--quantise N] [--tempo lines|bars]
</translation>
    </message>
    <message>
        <source>使い方: pitkad --import-midi 入力.mid ファイル [--lines beats|bars] [--replace]
       [--drums 色]
</source>
        <translation>usage: pitkad --import-midi IN.mid FILE [--lines beats|bars] [--replace]
       [--drums COLOUR]
</translation>
    </message>
    <message>
        <source>切り取り (&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>コピー (&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>貼り付け (&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>テンポは1小節に1つ</source>
        <translation>One tempo per bar</translation>
    </message>
    <message>
        <source>ドラム (チャンネル 10) も今の色で読み込む</source>
        <translation>Also read drums (channel 10), in the current colour</translation>
    </message>
    <message>
        <source>拍子を設定… (&amp;M)</source>
        <translation>Set &amp;Meter…</translation>
    </message>
    <message>
        <source>調号を設定… (&amp;K)</source>
        <translation>Set &amp;Key Signature…</translation>
    </message>
    <message>
        <source>この線からの拍子</source>
        <translation>Meter from this line</translation>
    </message>
    <message>
        <source>前の拍子のまま</source>
        <translation>As before</translation>
    </message>
    <message>
        <source>拍子は線に付けます. 先に線を引いてください</source>
        <translation>A meter is set on a line. Draw a line first.</translation>
    </message>
    <message>
        <source>調</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>%1 長調</source>
        <translation>%1 major</translation>
    </message>
    <message>
        <source>%1 短調</source>
        <translation>%1 minor</translation>
    </message>
    <message>
        <source>区間マーカー・拍子・調号・トラック名の部分が壊れているため、読み込みませんでした</source>
        <translation>The section markers, meters, key signature and track names are damaged and were not read.</translation>
    </message>
    <message>
        <source>拍子</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>調号</source>
        <translation>Key Signature</translation>
    </message>
    <message>
        <source>区間 (&amp;S)</source>
        <translation>&amp;Sections</translation>
    </message>
    <message>
        <source>マーカーを追加 (&amp;A)	M</source>
        <translation>&amp;Add Marker	M</translation>
    </message>
    <message>
        <source>マーカーの名前を変更... (&amp;R)</source>
        <translation>&amp;Rename Marker...</translation>
    </message>
    <message>
        <source>マーカーを削除 (&amp;D)</source>
        <translation>&amp;Delete Marker</translation>
    </message>
    <message>
        <source>次のマーカー (&amp;N)	Ctrl+→</source>
        <translation>&amp;Next Marker	Ctrl+→</translation>
    </message>
    <message>
        <source>前のマーカー (&amp;P)	Ctrl+←</source>
        <translation>&amp;Previous Marker	Ctrl+←</translation>
    </message>
    <message>
        <source>区間をループ (&amp;L)</source>
        <translation>&amp;Loop the Section</translation>
    </message>
    <message>
        <source>小節をループ (&amp;B)</source>
        <translation>Loop the &amp;Bar</translation>
    </message>
    <message>
        <source>N 拍をループ... (&amp;T)</source>
        <translation>Loop N Bea&amp;ts...</translation>
    </message>
    <message>
        <source>区間 %1</source>
        <translation>Section %1</translation>
    </message>
    <message>
        <source>マーカーの名前</source>
        <translation>Marker Name</translation>
    </message>
    <message>
        <source>名前:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>N 拍をループ</source>
        <translation>Loop N Beats</translation>
    </message>
    <message>
        <source>ループする拍の数 (線の間隔):</source>
        <translation>Beats to loop (intervals between lines):</translation>
    </message>
    <message>
        <source>長さの上限は %1 です</source>
        <translation>the longest recording is %1</translation>
    </message>
    <message>
        <source>解析するチャンネル</source>
        <translation>Analysed Channel</translation>
    </message>
    <message>
        <source>1 チャンネル目 (左)</source>
        <translation>First Channel (Left)</translation>
    </message>
    <message>
        <source>2 チャンネル目 (右)</source>
        <translation>Second Channel (Right)</translation>
    </message>
    <message>
        <source>中央 (左右の平均)</source>
        <translation>Mid (Average of Left and Right)</translation>
    </message>
    <message>
        <source>拍を提案 (&amp;B)</source>
        <translation>Suggest &amp;Beats</translation>
    </message>
    <message>
        <source>提案した拍を線にする (&amp;A)</source>
        <translation>&amp;Accept Suggested Beats as Lines</translation>
    </message>
    <message>
        <source>拍の提案を消す (&amp;L)</source>
        <translation>C&amp;lear Suggested Beats</translation>
    </message>
    <message>
        <source>拍が見つかりません</source>
        <translation>No beats were found</translation>
    </message>
    <message>
        <source>音から推定した調</source>
        <translation>Key heard in the recording</translation>
    </message>
    <message>
        <source>コードと調を提案 (&amp;H)</source>
        <translation>Suggest C&amp;hords and Key</translation>
    </message>
    <message>
        <source>コードと調の提案を消す (&amp;R)</source>
        <translation>Clea&amp;r Chords and Key Suggestions</translation>
    </message>
    <message>
        <source>コードが見つかりません</source>
        <translation>No chords found</translation>
    </message>
    <message>
        <source>ハ</source>
        <translation>C</translation>
    </message>
    <message>
        <source>ニ</source>
        <translation>D</translation>
    </message>
    <message>
        <source>ホ</source>
        <translation>E</translation>
    </message>
    <message>
        <source>ヘ</source>
        <translation>F</translation>
    </message>
    <message>
        <source>ト</source>
        <translation>G</translation>
    </message>
    <message>
        <source>イ</source>
        <translation>A</translation>
    </message>
    <message>
        <source>ロ</source>
        <translation>B</translation>
    </message>
    <message>
        <source>嬰%1</source>
        <translation>%1♯</translation>
    </message>
    <message>
        <source>変%1</source>
        <translation>%1♭</translation>
    </message>
    <message>
        <source>%1短調</source>
        <translation>%1 minor</translation>
    </message>
    <message>
        <source>%1長調</source>
        <translation>%1 major</translation>
    </message>
    <message>
        <source>解析の基準音 (A4)</source>
        <translation>Reference Pitch of the Analysis (A4)</translation>
    </message>
    <message>
        <source>録音から推定...</source>
        <translation>Estimate from the Recording...</translation>
    </message>
    <message>
        <source>周波数を指定...</source>
        <translation>Set the Frequency...</translation>
    </message>
    <message>
        <source>録音を A4 = 440 Hz に合わせて再生</source>
        <translation>Play the Recording at A4 = 440 Hz</translation>
    </message>
    <message>
        <source>録音の調律を推定しています…</source>
        <translation>Estimating the recording&apos;s tuning…</translation>
    </message>
    <message>
        <source>この録音は %1 セント高く調律されています。A4 = %2 Hz で解析しますか?</source>
        <translation>This recording is tuned %1 cents sharp. Analyse it at A4 = %2 Hz?</translation>
    </message>
    <message>
        <source>この録音は %1 セント低く調律されています。A4 = %2 Hz で解析しますか?</source>
        <translation>This recording is tuned %1 cents flat. Analyse it at A4 = %2 Hz?</translation>
    </message>
    <message>
        <source>この録音は A4 = 440 Hz に合っています。A4 = 440 Hz で解析しますか?</source>
        <translation>This recording is in tune at A4 = 440 Hz. Analyse it at A4 = 440 Hz?</translation>
    </message>
    <message>
        <source>この録音は A4 = %1 Hz で解析されています。</source>
        <translation>This recording is analysed at A4 = %1 Hz already.</translation>
    </message>
    <message>
        <source>この録音の調律は推定できませんでした。</source>
        <translation>The tuning of this recording could not be estimated.</translation>
    </message>
    <message>
        <source>解析する</source>
        <translation>Analyse</translation>
    </message>
    <message>
        <source>解析の基準音</source>
        <translation>Reference Pitch</translation>
    </message>
    <message>
        <source>A4 の周波数 (Hz):</source>
        <translation>Frequency of A4 (Hz):</translation>
    </message>
    <message>
        <source>使い方: pitkad --analyse ファイル... [--threads N] [--no-cache]
       [--channel first|second|mid] [--reference auto|HZ]
</source>
        <translation>usage: pitkad --analyse FILE... [--threads N] [--no-cache]
       [--channel first|second|mid] [--reference auto|HZ]
</translation>
    </message>
    <message>
        <source>使い方: pitkad --render ファイル -o 出力.png [--width W] [--line-width L]
       [--scroll-speed S] [--first-frame F] [--sensitivity S]
       [--colour T] [--loudness] [--grouping] [--labels left,right]
       [--pixels-per-second P] [--row-height H] [--ruler]
       [--channel first|second|mid] [--reference auto|HZ]
</source>
        <translation>usage: pitkad --render FILE -o OUT.png [--width W] [--line-width L]
       [--scroll-speed S] [--first-frame F] [--sensitivity S]
       [--colour T] [--loudness] [--grouping] [--labels left,right]
       [--pixels-per-second P] [--row-height H] [--ruler]
       [--channel first|second|mid] [--reference auto|HZ]
</translation>
    </message>
    <message>
        <source>使い方: pitkad --export-csv ファイル -o 出力.csv [--notes 音符.csv] [--loudness]
       [--reference auto|HZ]
</source>
        <translation>usage: pitkad --export-csv FILE -o OUT.csv [--notes NOTES.csv] [--loudness]
       [--reference auto|HZ]
</translation>
    </message>
    <message>
        <source>使い方: pitkad --suggest ファイル -o 出力.json [--channel first|second|mid]
       [--reference auto|HZ]
</source>
        <translation>usage: pitkad --suggest FILE -o OUT.json [--channel first|second|mid]
       [--reference auto|HZ]
</translation>
    </message>
    <message>
        <source>音符を提案 (&amp;N)</source>
        <translation>Suggest &amp;Notes</translation>
    </message>
    <message>
        <source>提案した音符を取り込む (&amp;I)</source>
        <translation>Accept Su&amp;ggested Notes</translation>
    </message>
    <message>
        <source>音符の提案を消す (&amp;E)</source>
        <translation>Cl&amp;ear Suggested Notes</translation>
    </message>
    <message>
        <source>音符が見つかりません</source>
        <translation>No notes were found</translation>
    </message>
    <message>
        <source>音が弱い</source>
        <translation>weak</translation>
    </message>
    <message>
        <source>半音ずれ</source>
        <translation>a semitone off</translation>
    </message>
    <message>
        <source>オクターブ違い</source>
        <translation>an octave off</translation>
    </message>
    <message>
        <source>描かれていない音</source>
        <translation>not drawn</translation>
    </message>
    <message>
        <source>要確認 %1/%2: %3 %4 (確度 %5)</source>
        <translation>Flag %1/%2: %3 %4 (confidence %5)</translation>
    </message>
    <message>
        <source>要確認の箇所はありません</source>
        <translation>Nothing is flagged</translation>
    </message>
    <message>
        <source>描画を録音と照合 (&amp;C)</source>
        <translation>&amp;Check the Drawing against the Recording</translation>
    </message>
    <message>
        <source>描かれていない音だけを表示 (&amp;R)</source>
        <translation>Show Only What Is Not D&amp;rawn</translation>
    </message>
    <message>
        <source>次の要確認箇所 (&amp;N)</source>
        <translation>&amp;Next Flag</translation>
    </message>
    <message>
        <source>前の要確認箇所 (&amp;P)</source>
        <translation>&amp;Previous Flag</translation>
    </message>
    <message>
        <source>提案どおりに直す (&amp;F)</source>
        <translation>&amp;Fix as Suggested</translation>
    </message>
    <message>
        <source>半音上へ (&amp;U)</source>
        <translation>Semitone &amp;Up</translation>
    </message>
    <message>
        <source>半音下へ (&amp;D)</source>
        <translation>Semitone &amp;Down</translation>
    </message>
    <message>
        <source>オクターブ上へ</source>
        <translation>Octave Up</translation>
    </message>
    <message>
        <source>オクターブ下へ</source>
        <translation>Octave Down</translation>
    </message>
    <message>
        <source>音符を消す (&amp;E)</source>
        <translation>&amp;Erase the Note</translation>
    </message>
    <message>
        <source>描かれていない音を取り込む (&amp;A)</source>
        <translation>&amp;Add the Note Not Drawn</translation>
    </message>
    <message>
        <source>要確認箇所を順にループ再生 (&amp;L)</source>
        <translation>&amp;Loop the Flags in Turn</translation>
    </message>
    <message>
        <source>音符 %1、要確認 %2、描かれていない音 %3</source>
        <translation>%1 notes, %2 flagged, %3 not drawn</translation>
    </message>
    <message>
        <source>描画データがありません</source>
        <translation>there is no drawing</translation>
    </message>
    <message>
        <source>%1: 音符 %2、要確認 %3、描かれていない音 %4</source>
        <translation>%1: %2 notes, %3 flagged, %4 not drawn</translation>
    </message>
    <message>
        <source>照合 (&amp;K)</source>
        <translation>Chec&amp;k</translation>
    </message>
    <message>
        <source>使い方: pitkad --check ファイル -o 出力.csv [--reference auto|HZ]
</source>
        <translation>usage: pitkad --check FILE -o OUT.csv [--reference auto|HZ]
</translation>
    </message>
    <message>
        <source>使い方:
  pitkad [ファイル] [--speed 百分率] [--transpose 半音] [--cents セント]
         [--loop 開始-終了] [--lang ja|en]
      ウィンドウを開き、ファイルがあれば開きます。百分率は 25 … 200、
      半音は -12 … 12、セントは -50 … 50、開始と終了は秒、
      --lang は表示の言語 (ja: 日本語、en: 英語) で、どの使い方にも
      付けられます。
  pitkad --analyse ファイル... [--threads N] [--no-cache]
         [--channel first|second|mid] [--reference auto|HZ]
      ファイルを解析し、結果をキャッシュに保存します。--channel は解析する
      チャンネル (first: 1 チャンネル目、second: 2 チャンネル目、mid: 左右の
      平均) で、省略するとウィンドウでそのファイルに選んだものです。
      --reference は解析の基準音 A4 の周波数 (415 … 466 Hz、auto: 録音から
      推定) で、省略するとウィンドウでそのファイルに選んだものです。
  pitkad --render ファイル -o 出力.png [--width W] [--line-width L]
         [--scroll-speed S] [--first-frame F] [--sensitivity S] [--colour T]
         [--loudness] [--grouping] [--labels left,right]
         [--pixels-per-second P] [--row-height H] [--ruler]
         [--channel first|second|mid] [--reference auto|HZ]
      ウィンドウに表示されるグラフを PNG 画像に書き出します。
  pitkad --export-midi ファイル -o 出力.mid [--lines beats|bars]
         [--beats-per-bar N] [--quantise N]
      描画を MIDI ファイルに書き出します。
  pitkad --import-midi 入力.mid ファイル [--lines beats|bars] [--replace]
      MIDI ファイルを読み込み、ファイルの描画として保存します。
  pitkad --export-csv ファイル -o 出力.csv [--notes 音符.csv] [--loudness]
         [--reference auto|HZ]
      解析データを CSV ファイルに書き出します。
  pitkad --suggest ファイル -o 出力.json [--channel first|second|mid]
         [--reference auto|HZ]
      録音の音から推定した提案 (チューニングなど) を JSON ファイルに
      書き出します。
  pitkad --check ファイル -o 出力.csv [--reference auto|HZ]
      描画の音符を録音の音と照らし合わせ、判定と描かれていない音を
      CSV ファイルに書き出します。
  pitkad --help
      この説明を表示します。
  pitkad --version
      バージョンを表示します。
</source>
        <translation>Usage:
  pitkad [FILE] [--speed PERCENT] [--transpose SEMITONES] [--cents CENTS]
         [--loop START-END] [--lang ja|en]
      Opens the window, and FILE if given. PERCENT is 25 … 200,
      SEMITONES -12 … 12, CENTS -50 … 50, START and END in seconds,
      --lang the language of the texts (ja: Japanese, en: English), for
      any of these uses.
  pitkad --analyse FILE... [--threads N] [--no-cache]
         [--channel first|second|mid] [--reference auto|HZ]
      Analyses the files and stores the results in the cache. --channel is
      the channel analysed (first: the first channel, second: the second,
      mid: the average of left and right); without it, the one chosen for
      the file in the window. --reference is the frequency of A4 the
      analysis is tuned to (415 … 466 Hz; auto: estimated from the
      recording); without it, the one chosen for the file in the window.
  pitkad --render FILE -o OUT.png [--width W] [--line-width L]
         [--scroll-speed S] [--first-frame F] [--sensitivity S] [--colour T]
         [--loudness] [--grouping] [--labels left,right]
         [--pixels-per-second P] [--row-height H] [--ruler]
         [--channel first|second|mid] [--reference auto|HZ]
      Writes the graph the window would show to a PNG image.
  pitkad --export-midi FILE -o OUT.mid [--lines beats|bars]
         [--beats-per-bar N] [--quantise N]
      Writes the drawing to a MIDI file.
  pitkad --import-midi IN.mid FILE [--lines beats|bars] [--replace]
      Reads a MIDI file and saves it as FILE&apos;s drawing.
  pitkad --export-csv FILE -o OUT.csv [--notes NOTES.csv] [--loudness]
         [--reference auto|HZ]
      Writes the analysis data to a CSV file.
  pitkad --suggest FILE -o OUT.json [--channel first|second|mid]
         [--reference auto|HZ]
      Writes the suggestions from the recording&apos;s sound, such as its
      tuning, to a JSON file.
  pitkad --check FILE -o OUT.csv [--reference auto|HZ]
      Checks the drawing&apos;s notes against the sound of the recording and
      writes the verdicts and the notes not drawn to a CSV file.
  pitkad --help
      Shows this text.
  pitkad --version
      Shows the version.
</translation>
    </message>
    <message>
        <source>録音左・描画右</source>
        <translation>Rec. L, drawing R</translation>
    </message>
    <message>
        <source>要確認の一覧</source>
        <translation>Flags</translation>
    </message>
    <message>
        <source>要確認の一覧 (&amp;I)</source>
        <translation>L&amp;ist of Flags</translation>
    </message>
    <message>
        <source>拍を探しています…</source>
        <translation>Finding the beats…</translation>
    </message>
    <message>
        <source>コードと調を探しています…</source>
        <translation>Finding the chords and keys…</translation>
    </message>
    <message>
        <source>音符を探しています…</source>
        <translation>Finding the notes…</translation>
    </message>
    <message>
        <source>録音の調を探しています…</source>
        <translation>Finding the recording&apos;s key…</translation>
    </message>
    <message>
        <source>描画を録音と照合しています…</source>
        <translation>Checking the drawing against the recording…</translation>
    </message>
    <message>
        <source>この録音は A4 = 440 Hz に合っています。</source>
        <translation>This recording is in tune at A4 = 440 Hz.</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>音</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>判定</source>
        <translation>Finding</translation>
    </message>
    <message>
        <source>確度</source>
        <translation>Confidence</translation>
    </message>
    <message>
        <source>表示する要確認:</source>
        <translation>Show:</translation>
    </message>
    <message>
        <source>すべて</source>
        <translation>All</translation>
    </message>
    <message>
        <source>描いた音符</source>
        <translation>Drawn notes</translation>
    </message>
    <message>
        <source>描かれていない音の候補</source>
        <translation>Candidates not drawn</translation>
    </message>
    <message>
        <source>描かれていない音の候補を表示 (&amp;W)</source>
        <translation>Sho&amp;w Candidates Not Drawn</translation>
    </message>
</context>
</TS>
