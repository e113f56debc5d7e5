<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>ControlList</name>
    <message>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="+222"/>
        <source>unknown control &apos;%1&apos; (R1-R9, S1-S9, A1-A9, B1-B9, C1-C3, H1-H2, L1-L4, P1-P2, BEND, MOD, AFT)</source>
        <translation>「%1」というコントロールはありません (R1-R9、S1-S9、A1-A9、B1-B9、C1-C3、H1-H2、L1-L4、P1-P2、BEND、MOD、AFT)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the range &apos;%1&apos; runs backwards (%2 comes before %3)</source>
        <translation>範囲「%1」が逆順です (%2 は %3 より前です)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 is listed twice</source>
        <translation>%1 が二度指定されています</translation>
    </message>
</context>
<context>
    <name>KelEditor</name>
    <message>
        <location filename="../../app/mainframe.cpp" line="+591"/>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&amp;Edit</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;Communication</source>
        <translation>通信(&amp;C)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Options</source>
        <translation>オプション(&amp;O)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <location line="-325"/>
        <source>&amp;Import Memory Set...</source>
        <translation>メモリー・セットの読み込み(&amp;I)...</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>&amp;Export Assign List...</source>
        <translation>アサイン一覧の書き出し(&amp;E)...</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;View Assign List</source>
        <translation>アサイン一覧の表示(&amp;V)</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>Assign the selected control the next message the KEL sends</source>
        <translation>KEL が次に送るメッセージを選択中のコントローラーにアサインします</translation>
    </message>
    <message>
        <location line="+65"/>
        <source>Show the messages the KEL sends and the controls that send them</source>
        <translation>KEL が送るメッセージと、それを送るコントローラーを表示します</translation>
    </message>
    <message>
        <location line="+177"/>
        <source>Middle C (&amp;Note 60)</source>
        <translation>中央 C (ノート番号 60)(&amp;N)</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Recent File</source>
        <translation>最近使ったファイル</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>DELETE</source>
        <translation>削除</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>NO ASSIGN</source>
        <comment>Edit menu</comment>
        <translation>アサイン解除</translation>
    </message>
    <message numerus="yes">
        <location line="+67"/>
        <source>%n controls copied</source>
        <translation>
            <numerusform>%n 個のコントロールをコピーしました</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+9"/>
        <source>Paste %n controls</source>
        <translation>
            <numerusform>%n 個のコントロールへの貼り付け</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>Clear %n controls</source>
        <translation>
            <numerusform>%n 個のコントロールのアサイン解除</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+6"/>
        <source>%n controls were copied: select one control or as many as were copied to paste them.</source>
        <translation>
            <numerusform>コピーしたコントロールは %n 個です。貼り付けるには、コントロールを 1 個か、コピーした数だけ選択してください。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+16"/>
        <source>%n controls were copied: select as many to paste them.</source>
        <translation>
            <numerusform>コピーしたコントロールは %n 個です。貼り付けるには、同じ数のコントロールを選択してください。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="-597"/>
        <source>%n controls selected</source>
        <translation>
            <numerusform>%n 個のコントロールを選択中</numerusform>
        </translation>
    </message>
    <message>
        <location line="+718"/>
        <source>Open in &amp;Browser</source>
        <translation>ブラウザーで開く(&amp;B)</translation>
    </message>
    <message>
        <location line="+6"/>
        <location filename="../../app/monitorwindow.cpp" line="+262"/>
        <source>&amp;Save As...</source>
        <translation>名前を付けて保存(&amp;S)...</translation>
    </message>
    <message>
        <location line="-578"/>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>&amp;Transmit...</source>
        <translation>送信(&amp;T)...</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;Receive...</source>
        <translation>受信(&amp;R)...</translation>
    </message>
    <message>
        <location line="+62"/>
        <source>&amp;MIDI Devices...</source>
        <translation>MIDI デバイス(&amp;M)...</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;Show Messages</source>
        <translation>メッセージ表示(&amp;S)</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>KEL Editor &amp;Help</source>
        <translation>KEL Editor ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;About...</source>
        <translation>バージョン情報(&amp;A)...</translation>
    </message>
    <message>
        <location line="-409"/>
        <source>TITLE:</source>
        <translation>TITLE:</translation>
    </message>
    <message>
        <location filename="../../app/keleditorapp.cpp" line="+210"/>
        <source>About VOSTEL KEL Editor</source>
        <translation>VOSTEL KEL Editor のバージョン情報</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>KEL Editor is free software: you may share and change it under the GNU General Public License, version 3 or later (GPL-3.0-or-later). It comes with no warranty.</source>
        <translation>KEL Editor はフリー・ソフトウェアです。GNU 一般公衆利用許諾書 (GNU General Public License) バージョン 3 またはそれ以降 (GPL-3.0-or-later) の下で、共有・改変することができます。無保証です。</translation>
    </message>
    <message>
        <location line="+122"/>
        <source>%1

This file has been changed on disk since it was opened or last saved. Replace it, or save the map under another name?</source>
        <translation>%1

このファイルは、開いたとき、または最後に保存したときから、ディスク上で変更されています。このファイルを置き換えますか、それとも別の名前で保存しますか?</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>&amp;Replace</source>
        <translation>置き換え(&amp;R)</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../../app/mainframe.cpp" line="+206"/>
        <source>Save &amp;As...</source>
        <translation>名前を付けて保存(&amp;A)...</translation>
    </message>
    <message>
        <location filename="../../gui/common/confirmdlg.cpp" line="+19"/>
        <source>Confirm</source>
        <translation>確認</translation>
    </message>
    <message>
        <location line="-2"/>
        <location filename="../../gui/mididlg/transferdlgs.cpp" line="+38"/>
        <source>Continue</source>
        <translation>続行</translation>
    </message>
    <message>
        <location filename="../../gui/assign/editselecteddlg.cpp" line="+36"/>
        <source>(invalid)</source>
        <translation>(無効)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Message kind</source>
        <translation>メッセージの種類</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MIDI channel</source>
        <translation>MIDI チャンネル</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Button mode</source>
        <translation>ボタンモード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Minimum</source>
        <translation>最小値</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Maximum</source>
        <translation>最大値</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Number in sequence</source>
        <translation>連番</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Skip reserved controller numbers</source>
        <translation>予約済みのコントロール番号を飛ばす</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Edit Selected</source>
        <translation>選択したコントロールの編集</translation>
    </message>
    <message>
        <location filename="../../app/librarywindow.cpp" line="+104"/>
        <source>(cannot be read)</source>
        <translation>(読み込めません)</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>%1 cannot be read: %2</source>
        <translation>%1 は読み込めません: %2</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Date</source>
        <translation>日付</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../gui/assign/editselecteddlg.cpp" line="+8"/>
        <location line="+37"/>
        <source>Controls</source>
        <translation>コントロール</translation>
    </message>
    <message>
        <location line="+11"/>
        <location line="+15"/>
        <source>Library</source>
        <translation>ライブラリ</translation>
    </message>
    <message>
        <location line="-12"/>
        <source>Choose &amp;Folder...</source>
        <translation>フォルダーを選択(&amp;F)...</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Folder of the library</source>
        <translation>ライブラリのフォルダー</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Device history</source>
        <translation>デバイスの履歴</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Maps shown</source>
        <translation>表示するマップ</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>Search: words, CC 74, ch 2, S1 CC 74, Brightness</source>
        <translation>検索: 語句, CC 74, ch 2, S1 CC 74, Brightness</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Search the maps</source>
        <translation>マップを検索</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&amp;Search:</source>
        <translation>検索(&amp;S):</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Maps</source>
        <translation>マップ</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>&amp;Take Controls...</source>
        <translation>コントロールの取り込み(&amp;T)...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Compare the open map with the chosen one and take controls from it</source>
        <translation>開いているマップと選んだマップを比べ、コントロールを取り込みます</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Take Controls...</source>
        <translation>コントロールの取り込み...</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Panel of the selected map</source>
        <translation>選択したマップのパネル</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Reading the maps</source>
        <translation>マップを読み込み中</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>Float or dock the library</source>
        <translation>ライブラリを独立ウィンドウにする/ドッキングする</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Close the library</source>
        <translation>ライブラリを閉じる</translation>
    </message>
    <message>
        <location line="+101"/>
        <source>Choose the Folder of the Library</source>
        <translation>ライブラリのフォルダーを選択</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>Choose the folder of your control maps.</source>
        <translation>コントロールマップのフォルダーを選択してください。</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Reading the maps...</source>
        <translation>マップを読み込んでいます...</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>No map was received or transmitted yet.</source>
        <translation>まだ受信も送信もしていません。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The folder %1 cannot be read: %2</source>
        <translation>フォルダー %1 を読み込めません: %2</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The library&apos;s index cannot be written.</source>
        <translation>ライブラリのインデックスに書き込めません。</translation>
    </message>
    <message>
        <location filename="../../gui/assign/editselecteddlg.cpp" line="-35"/>
        <source>Names and ranges in the panel&apos;s order, e.g. R1-R8,S1</source>
        <translation>パネルの順の名前と範囲 (例: R1-R8,S1)</translation>
    </message>
    <message>
        <location line="+14"/>
        <location line="+37"/>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <location line="-36"/>
        <location line="+36"/>
        <source>Step</source>
        <translation>増分</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>0, 6, 32, 38, 96-101 and 120-127</source>
        <translation>0、6、32、38、96-101、120-127</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>Before</source>
        <translation>変更前</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>After</source>
        <translation>変更後</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Preview</source>
        <translation>プレビュー</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Apply</source>
        <translation>適用</translation>
    </message>
    <message>
        <location filename="../../app/takecontrolsdlg.cpp" line="+29"/>
        <source>&amp;Knobs</source>
        <translation>ノブ(&amp;K)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;Sliders</source>
        <translation>スライダー(&amp;S)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;A row</source>
        <translation>A 列(&amp;A)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;B row</source>
        <translation>B 列(&amp;B)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;Pedals</source>
        <translation>ペダル(&amp;P)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&amp;C/H/L</source>
        <translation>C/H/L(&amp;C)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>B&amp;END/MOD/AFT</source>
        <translation>BEND/MOD/AFT(&amp;E)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>(none)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Take Controls From %1</source>
        <translation>%1 からコントロールを取り込む</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Controls that differ from %1. Tick those to take into this map.</source>
        <translation>%1 と異なるコントロールです。このマップに取り込むものにチェックを付けてください。</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>Takes every differing control of the group</source>
        <translation>グループ内の異なるコントロールをすべて取り込みます</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Controls that differ</source>
        <translation>異なるコントロール</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>This map</source>
        <translation>このマップ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Difference</source>
        <translation>違い</translation>
    </message>
    <message>
        <location line="+31"/>
        <location line="+85"/>
        <source>&amp;Take</source>
        <translation>取り込む(&amp;T)</translation>
    </message>
    <message>
        <location line="-84"/>
        <location filename="../../gui/assign/editselecteddlg.cpp" line="+1"/>
        <location filename="../../gui/assign/msgdlg.cpp" line="+261"/>
        <location filename="../../gui/common/confirmdlg.cpp" line="+1"/>
        <location filename="../../gui/mididlg/mididevicedlg.cpp" line="+91"/>
        <location filename="../../gui/mididlg/transferdlgs.cpp" line="+1"/>
        <location line="+138"/>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <location line="+86"/>
        <source>&amp;Take %1</source>
        <translation>%1 を取り込む(&amp;T)</translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>&amp;Take %n controls</source>
        <translation>
            <numerusform>%n 個を取り込む(&amp;T)</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../../gui/mididlg/transferdlgs.cpp" line="-62"/>
        <source>Transmit Control Map</source>
        <translation>コントロールマップの送信</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please set the KEL to Bulk Receive mode.</source>
        <translation>KEL をバルク受信モードにしてください。</translation>
    </message>
    <message>
        <location line="-63"/>
        <source>Procedure is as follows:</source>
        <translation>手順は次のとおりです:</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>&amp;Ask Again</source>
        <translation>もう一度要求(&amp;A)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Sends the request to the KEL once more. What it sends then fills the controls still missing.</source>
        <translation>KEL にもう一度送信を要求します。そのとき届いたデータで、まだ届いていないコントロールを埋めます。</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Confirm that &quot;RS&quot; is indicated, then
press the [ENTER] button.</source>
        <translation>「RS」が表示されていることを確認してから、
[ENTER] ボタンを押してください。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Receive Control Map</source>
        <translation>コントロールマップの受信</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please set the KEL to Bulk Transmit mode.</source>
        <translation>KEL をバルク送信モードにしてください。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>1 Confirm that &quot;TS&quot; is indicated, then
   press the [ENTER] button.</source>
        <translation>1 「TS」が表示されていることを確認してから、
   [ENTER] ボタンを押してください。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>2 Press the [ENTER] button.</source>
        <translation>2 [ENTER] ボタンを押してください。</translation>
    </message>
    <message>
        <location line="+55"/>
        <source>Transmitting...</source>
        <translation>送信中...</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>%p% (%v of %m)</source>
        <translation>%p% (%m 件中 %v 件)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <location filename="../../gui/mididlg/mididevicedlg.cpp" line="-30"/>
        <source>MIDI Devices</source>
        <translation>MIDI デバイス</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>MIDI System</source>
        <translation>MIDI システム</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Input Port</source>
        <translation>入力ポート</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Output Port</source>
        <translation>出力ポート</translation>
    </message>
    <message>
        <location filename="../../gui/assign/msgdlg.cpp" line="-3"/>
        <location filename="../../gui/mididlg/mididevicedlg.cpp" line="+3"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../gui/mididlg/mididevicedlg.cpp" line="-38"/>
        <source>Built-in virtual KEL device</source>
        <translation>内蔵の仮想 KEL デバイス</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>This MIDI system lists no ports.</source>
        <translation>この MIDI システムにはポートがありません。</translation>
    </message>
    <message>
        <location filename="../../app/undo.cpp" line="+77"/>
        <source>Change Title</source>
        <translation>タイトルの変更</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Change Controls</source>
        <translation>コントロールの変更</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change %1</source>
        <translation>%1 の変更</translation>
    </message>
    <message>
        <location filename="../../app/mainframe.cpp" line="+505"/>
        <source>Paste %1</source>
        <translation>%1 への貼り付け</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>NO ASSIGN %1</source>
        <translation>%1 のアサイン解除</translation>
    </message>
    <message>
        <location line="-492"/>
        <source>Import S&amp;ysEx...</source>
        <translation>SysEx の読み込み(&amp;Y)...</translation>
    </message>
    <message>
        <location line="-35"/>
        <source>&amp;New</source>
        <translation>新規作成(&amp;N)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&amp;Open...</source>
        <translation>開く(&amp;O)...</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>&amp;Save</source>
        <translation>上書き保存(&amp;S)</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Expor&amp;t SysEx...</source>
        <translation>SysEx の書き出し(&amp;T)...</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>&amp;Print...</source>
        <translation>印刷(&amp;P)...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Print the panel at its own size with the labels, and the assign list</source>
        <translation>本体の絵を実物大でラベルとともに印刷し、続けてアサイン一覧を印刷します</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Print P&amp;review...</source>
        <translation>印刷プレビュー(&amp;R)...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Show the pages the control map prints on</source>
        <translation>コントロール・マップを印刷するページを表示します</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Compare &amp;With...</source>
        <translation>比較(&amp;W)...</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Ta&amp;ke Controls From...</source>
        <translation>コントロールを取り込む(&amp;K)...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Compare the control map with another and take some of its controls</source>
        <translation>コントロール・マップを別のマップと比較し、そのコントロールの一部を取り込みます</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>&amp;Copy</source>
        <translation>コピー(&amp;C)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&amp;Paste</source>
        <translation>貼り付け(&amp;P)</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>&amp;Learn from Input</source>
        <translation>入力から学習(&amp;L)</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Select &amp;All</source>
        <translation>すべて選択(&amp;A)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Select all 50 controls</source>
        <translation>50 個のコントロールをすべて選択します</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Select &amp;Group</source>
        <translation>グループを選択(&amp;G)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Select the groups of the selected controls: the knobs, the sliders, a row of buttons, the pedals or the wheels</source>
        <translation>選択したコントロールのグループ(ノブ、スライダー、ボタンの列、ペダル、ホイール)を選択します</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Edit &amp;Selected...</source>
        <translation>選択したコントロールの編集(&amp;S)...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Set fields on several controls at once, numbering them in sequence</source>
        <translation>複数のコントロールの項目を一度に設定し、連番を振ります</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Check &amp;Map...</source>
        <translation>マップのチェック(&amp;M)...</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>M&amp;onitor</source>
        <translation>モニター(&amp;O)</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>&amp;Library</source>
        <translation>ライブラリ(&amp;L)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Show the control maps of a folder and search them</source>
        <translation>フォルダーのコントロールマップを表示し、検索します</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>C&amp;3</source>
        <translation>C3(&amp;3)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Name note 60 C3, as many keyboards do</source>
        <translation>ノート番号 60 を C3 と呼びます (多くのキーボードの呼び方)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>C&amp;4</source>
        <translation>C4(&amp;4)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Name note 60 C4, as scientific pitch notation does</source>
        <translation>ノート番号 60 を C4 と呼びます (国際式の音名表記)</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Next Controller</source>
        <translation>次のコントロール</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Previous Controller</source>
        <translation>前のコントロール</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>&amp;Undo</source>
        <translation>元に戻す(&amp;U)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Undo %1</source>
        <translation>元に戻す(&amp;U): %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Take back the last change of the control map</source>
        <translation>コントロール・マップの最後の変更を元に戻します</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&amp;Redo</source>
        <translation>やり直し(&amp;R)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Redo %1</source>
        <translation>やり直し(&amp;R): %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Make the change taken back again</source>
        <translation>元に戻した変更をやり直します</translation>
    </message>
    <message>
        <location line="-204"/>
        <source>Compare the control map with a control map file</source>
        <translation>コントロール・マップをコントロール・マップ・ファイルと比較します</translation>
    </message>
    <message>
        <location line="-32"/>
        <source>Save the control map as a system-exclusive (.syx) file</source>
        <translation>コントロール・マップをシステム・エクスクルーシブ (.syx) ファイルとして保存します</translation>
    </message>
    <message>
        <location line="-5"/>
        <source>Open a system-exclusive (.syx) file as a new control map</source>
        <translation>システム・エクスクルーシブ (.syx) ファイルを新しいコントロール・マップとして開きます</translation>
    </message>
    <message>
        <location line="+122"/>
        <source>List the problems of the control map before it is sent</source>
        <translation>送信する前にコントロール・マップの問題点を一覧表示します</translation>
    </message>
    <message>
        <location filename="../../app/mapcommands.cpp" line="+39"/>
        <source>SysEx Files (*.syx)</source>
        <translation>SysEx ファイル (*.syx)</translation>
    </message>
    <message>
        <location line="+0"/>
        <location filename="../../app/monitorwindow.cpp" line="+136"/>
        <source>All Files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <location filename="../../app/reportwindow.cpp" line="+82"/>
        <source>The control map has no problems.</source>
        <translation>コントロール・マップに問題はありません。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Errors: %1. Warnings: %2. Double-click a line to edit its control.</source>
        <translation>エラー: %1 件、警告: %2 件。行をダブルクリックすると、そのコントローラーを編集できます。</translation>
    </message>
    <message>
        <location filename="../../app/htmlviewer.cpp" line="+43"/>
        <source>&lt; &amp;Back</source>
        <translation>&lt; 戻る(&amp;B)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Forward &gt;</source>
        <translation>進む(&amp;F) &gt;</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;Contents</source>
        <translation>目次(&amp;C)</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>F&amp;ind:</source>
        <translation>検索(&amp;I):</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Sections</source>
        <translation>項目</translation>
    </message>
    <message>
        <location line="+27"/>
        <location filename="../../app/reportwindow.cpp" line="+18"/>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <location filename="../../app/mapcommands.cpp" line="+57"/>
        <source>Check Map</source>
        <translation>マップのチェック</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Check &amp;Again</source>
        <translation>再チェック(&amp;A)</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>Edit %1</source>
        <translation>%1 の編集</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Edit %1 controls</source>
        <translation>%1 個のコントロールの編集</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>Every control of %1 is as in this map.</source>
        <translation>%1 のコントロールはすべてこのマップと同じです。</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>Take %1 from %2</source>
        <translation>%2 から %1 を取り込む</translation>
    </message>
    <message numerus="yes">
        <location line="+2"/>
        <source>Take %n controls from %1</source>
        <translation>
            <numerusform>%1 から %n 個のコントロールを取り込む</numerusform>
        </translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Compare With</source>
        <translation>比較</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Compare &amp;Again</source>
        <translation>再比較(&amp;A)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>%1
The open control map and &quot;%2&quot; are compared.</source>
        <translation>%1
開いているコントロール・マップと &quot;%2&quot; を比較しました。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>From the open control map to &quot;%1&quot;. Controls that differ: %2. Double-click a line to edit its control.</source>
        <translation>開いているコントロール・マップから &quot;%1&quot; への違い。異なるコントローラー: %2 個。行をダブルクリックすると、そのコントローラーを編集できます。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Compare With %1</source>
        <translation>%1 との比較</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>The control map was saved as %1.</source>
        <translation>コントロール・マップを %1 に保存しました。</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>%1 other messages in the file were skipped.</source>
        <translation>ファイル内のほかのメッセージ %1 個を読み飛ばしました。</translation>
    </message>
    <message>
        <location line="+57"/>
        <source>Cancelled: %1 of %2 controls were compared. %3.</source>
        <translation>キャンセルしました: %2 個のコントロールのうち %1 個を比較しました。%3。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>They match the control map.</source>
        <translation>コントロール・マップと一致しています。</translation>
    </message>
    <message>
        <location filename="../../app/reportwindow.cpp" line="+86"/>
        <source>The control map has errors: the KEL would receive settings it cannot use.
Transmit it anyway?</source>
        <translation>コントロール・マップにエラーがあります。KEL が使用できない設定を受け取ることになります。
それでも送信しますか?</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>Transmit Anyway</source>
        <translation>送信する</translation>
    </message>
    <message>
        <location filename="../../app/mainframe.cpp" line="+3"/>
        <source>&amp;Verify...</source>
        <translation>照合(&amp;V)...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Compare the KEL&apos;s current memory with the control map</source>
        <translation>KEL のカレント・メモリーをコントロール・マップと照合します</translation>
    </message>
    <message>
        <location filename="../../app/mapcommands.cpp" line="-49"/>
        <source>The control map was transmitted.
Verify the KEL&apos;s memory now?</source>
        <translation>コントロール・マップを送信しました。
KEL のメモリーを今すぐ照合しますか?</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>Verify</source>
        <translation>照合</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Verify &amp;Again</source>
        <translation>再照合(&amp;A)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>From the control map to the KEL&apos;s memory. Controls that differ: %1. Double-click a line to edit its control.</source>
        <translation>コントロール・マップから KEL のメモリーへの違い。異なるコントローラー: %1 個。行をダブルクリックすると、そのコントローラーを編集できます。</translation>
    </message>
    <message>
        <location filename="../../gui/assign/msgdlg.cpp" line="-115"/>
        <source>KEL Editor</source>
        <translation>KEL Editor</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>Assign Message :</source>
        <translation>アサイン・メッセージ :</translation>
    </message>
    <message>
        <location filename="../../gui/assign/chmsgpage.cpp" line="+52"/>
        <source>Type :</source>
        <translation>タイプ :</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>MIDI Channel :</source>
        <translation>MIDI チャンネル :</translation>
    </message>
    <message>
        <location line="+68"/>
        <source>Data Entry</source>
        <translation>データ・エントリー</translation>
    </message>
    <message>
        <location filename="../../gui/assign/freemsgpage.cpp" line="+43"/>
        <source>Message text</source>
        <translation>メッセージ テキスト</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Data Type</source>
        <translation>データ・タイプ</translation>
    </message>
    <message>
        <location line="+27"/>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="-136"/>
        <source>Min Value</source>
        <translation>最小値</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="+1"/>
        <source>Max Value</source>
        <translation>最大値</translation>
    </message>
    <message>
        <location filename="../../gui/assign/msgdlg.cpp" line="+27"/>
        <source>Settings</source>
        <translation>設定</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Output Port :</source>
        <translation>出力ポート :</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Button Mode :</source>
        <translation>ボタン・モード :</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>AFT Mode :</source>
        <translation>AFT モード :</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Virtual Center Click</source>
        <translation>仮想センター・クリック</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>Comment :</source>
        <translation>コメント :</translation>
    </message>
    <message>
        <location filename="../../gui/assign/sysrealpage.cpp" line="+19"/>
        <source>Status :</source>
        <translation>ステータス :</translation>
    </message>
    <message>
        <location filename="../../gui/mididlg/mididevicedlg.cpp" line="-34"/>
        <source>ALSA</source>
        <translation>ALSA</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>JACK</source>
        <translation>JACK</translation>
    </message>
    <message>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="-3"/>
        <source>Note Number</source>
        <translation>ノート番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Velocity</source>
        <translation>ベロシティ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Control Number</source>
        <translation>コントロール番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>PC Number</source>
        <translation>プログラム番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Min Number</source>
        <translation>最小番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Max Number</source>
        <translation>最大番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bank MSB</source>
        <translation>バンク MSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bank LSB</source>
        <translation>バンク LSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RPN MSB</source>
        <translation>RPN MSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RPN LSB</source>
        <translation>RPN LSB</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>NRPN MSB</source>
        <translation>NRPN MSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>NRPN LSB</source>
        <translation>NRPN LSB</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>MSB Min Value</source>
        <translation>MSB 最小値</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MSB Max Value</source>
        <translation>MSB 最大値</translation>
    </message>
    <message>
        <location filename="../../app/mainframe.cpp" line="-68"/>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="-49"/>
        <source>NO ASSIGN</source>
        <translation>割り当てなし</translation>
    </message>
    <message>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="+1"/>
        <source>Channel Message</source>
        <translation>チャンネル・メッセージ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System Realtime/F6</source>
        <translation>システム・リアルタイム/F6</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System Ex.</source>
        <translation>システム・エクスクルーシブ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Free Message</source>
        <translation>フリー・メッセージ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tempo</source>
        <translation>テンポ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Note</source>
        <translation>ノート</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Channel Pressure</source>
        <translation>チャンネル・プレッシャー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Polyphonic Key Pressure</source>
        <translation>ポリフォニック・キー・プレッシャー</translation>
    </message>
    <message>
        <location filename="../../app/monitorwindow.cpp" line="-241"/>
        <source>Time</source>
        <translation>時刻</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../gui/assign/editselecteddlg.cpp" line="-98"/>
        <source>Port</source>
        <translation>ポート</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Bytes</source>
        <translation>バイト</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Message</source>
        <translation>メッセージ</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../app/takecontrolsdlg.cpp" line="-120"/>
        <location filename="../../gui/assign/editselecteddlg.cpp" line="+85"/>
        <source>Control</source>
        <translation>コントローラー</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>&amp;Pause</source>
        <translation>一時停止(&amp;P)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>MIDI Monitor</source>
        <translation>MIDI モニター</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>All kinds</source>
        <translation>すべての種類</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Notes</source>
        <translation>ノート</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="+1"/>
        <source>Control Change</source>
        <translation>コントロール・チェンジ</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="+1"/>
        <source>Program Change</source>
        <translation>プログラム・チェンジ</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Pitch Bend</source>
        <translation>ピッチ・ベンド</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Pressure</source>
        <translation>プレッシャー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System Exclusive</source>
        <translation>システム・エクスクルーシブ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System and Realtime</source>
        <translation>システムとリアルタイム</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>All channels</source>
        <translation>すべてのチャンネル</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Channel %1</source>
        <translation>チャンネル %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>C&amp;lear</source>
        <translation>クリア(&amp;L)</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Show:</source>
        <translation>表示:</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>Float or dock the monitor</source>
        <translation>モニターを独立ウィンドウにする/ドッキングする</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Close the monitor</source>
        <translation>モニターを閉じる</translation>
    </message>
    <message>
        <location line="+57"/>
        <source>%1 messages came faster than they could be shown and were left out.</source>
        <translation>%1 個のメッセージが表示できる速さを超えて届いたため、省略されました。</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>The MIDI input &quot;%1&quot; is no longer there. The lines stay, and the monitor listens again as soon as the input returns.</source>
        <translation>MIDI 入力「%1」がなくなりました。表示中の行はそのまま残り、入力が戻りしだいモニターは再び受信します。</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Text Files (*.txt)</source>
        <translation>テキスト・ファイル (*.txt)</translation>
    </message>
    <message>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="+1"/>
        <source>Program Change (Min-Max)</source>
        <translation>プログラム・チェンジ (最小～最大)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Bank Select + Program Change</source>
        <translation>バンク・セレクト + プログラム・チェンジ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Program Change - Dec</source>
        <translation>プログラム・チェンジ - デクリメント</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Program Change - Inc</source>
        <translation>プログラム・チェンジ - インクリメント</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RPN</source>
        <translation>RPN</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>NRPN</source>
        <translation>NRPN</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Encoder Simulate</source>
        <translation>エンコーダー・シミュレート</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DT0: 7bit</source>
        <translation>DT0: 7 ビット</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DT1: 4bit/4bit</source>
        <translation>DT1: 4 ビット/4 ビット</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DT2: 7bit/7bit (MSB/LSB)</source>
        <translation>DT2: 7 ビット/7 ビット (MSB/LSB)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DT3: 7bit/7bit (LSB/MSB)</source>
        <translation>DT3: 7 ビット/7 ビット (LSB/MSB)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>DT4: 4bit/4bit/4bit/4bit</source>
        <translation>DT4: 4 ビット/4 ビット/4 ビット/4 ビット</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>F6 (Tune Request)</source>
        <translation>F6 (チューン・リクエスト)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>F8 (Timing Clock)</source>
        <translation>F8 (タイミング・クロック)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>FA (Start)</source>
        <translation>FA (スタート)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>FB (Continue)</source>
        <translation>FB (コンティニュー)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>FC (Stop)</source>
        <translation>FC (ストップ)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>FF (System Reset)</source>
        <translation>FF (システム・リセット)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Unlatch</source>
        <translation>アンラッチ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Latch</source>
        <translation>ラッチ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Increase</source>
        <translation>インクリメント</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Port 1</source>
        <translation>ポート 1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Port 2</source>
        <translation>ポート 2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Port 1 + 2</source>
        <translation>ポート 1 + 2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OFF</source>
        <translation>オフ</translation>
    </message>
    <message>
        <location line="+141"/>
        <source>No such file or folder</source>
        <translation>ファイルまたはフォルダーがありません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The path is not valid</source>
        <translation>パスが正しくありません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Too many open files</source>
        <translation>開いているファイルが多すぎます</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Access denied (no permission, a read-only disk, or not a file)</source>
        <translation>アクセスが拒否されました (権限がない、読み取り専用のディスク、またはファイルではない)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file is not valid</source>
        <translation>ファイルが正しくありません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The current folder cannot be removed</source>
        <translation>現在のフォルダーは削除できません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The folder is full</source>
        <translation>フォルダーがいっぱいです</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file cannot be positioned</source>
        <translation>ファイル内の位置を移動できません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Input/output error of the disk or device</source>
        <translation>ディスクまたはデバイスの入出力エラー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file is in use</source>
        <translation>ファイルは使用中です</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file is locked</source>
        <translation>ファイルはロックされています</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>No space left on the disk</source>
        <translation>ディスクの空き容量がありません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file ends too early</source>
        <translation>ファイルが途中で終わっています</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A symlink loop (symbolic links that lead back to each other)</source>
        <translation>シンボリックリンクのループ（互いを指し合うシンボリックリンク）</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>An unexpected system error</source>
        <translation>予期しないシステムエラー</translation>
    </message>
    <message>
        <location filename="../../gui/common/uitext.cpp" line="+92"/>
        <source>No message has been typed.</source>
        <translation>メッセージが入力されていません。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>A System Ex. message starts with F0.</source>
        <translation>System Ex. メッセージは F0 で始まります。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>A message starts with a status byte (80 to FF).</source>
        <translation>メッセージはステータスバイト (80～FF) で始まります。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: neither a hexadecimal byte nor a token of the message.</source>
        <translation>%1 バイト目: 16 進数のバイトでもメッセージの記号でもありません。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: a byte needs two hexadecimal digits.</source>
        <translation>%1 バイト目: 1 バイトには 16 進数 2 桁が必要です。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: nothing may follow the F7 that ends the message.</source>
        <translation>%1 バイト目: メッセージを終える F7 の後には何も置けません。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: a message has only one data field (DT).</source>
        <translation>%1 バイト目: データ (DT) は 1 つのメッセージに 1 つだけです。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: a data field (DT) needs a data type.</source>
        <translation>%1 バイト目: データ (DT) にはデータタイプが必要です。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: a message has only one checksum start (SS).</source>
        <translation>%1 バイト目: チェックサムの開始 (SS) は 1 つのメッセージに 1 つだけです。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: the checksum (S1 or S2) comes before its start (SS).</source>
        <translation>%1 バイト目: チェックサム (S1 または S2) がその開始 (SS) より前にあります。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: a message has only one checksum (S1 or S2).</source>
        <translation>%1 バイト目: チェックサム (S1 または S2) は 1 つのメッセージに 1 つだけです。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: the checksum start (SS) has no checksum (S1 or S2) after it.</source>
        <translation>%1 バイト目: チェックサムの開始 (SS) の後にチェックサム (S1 または S2) がありません。</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Byte %1: a message has only one channel marker.</source>
        <translation>%1 バイト目: チャンネルの記号は 1 つのメッセージに 1 つだけです。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: a channel marker starts with a digit from 0 to 7.</source>
        <translation>%1 バイト目: チャンネルの記号は 0～7 の数字で始まります。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: a message has at most %2 bytes.</source>
        <translation>%1 バイト目: メッセージは最大 %2 バイトです。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: a data byte where the status byte of a message is due.</source>
        <translation>%1 バイト目: メッセージのステータスバイトが来るべき所にデータバイトがあります。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: a status byte where a data byte of the %2 message is due.</source>
        <translation>%1 バイト目: %2 メッセージのデータバイトが来るべき所にステータスバイトがあります。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1 is missing: the %2 message needs more data bytes.</source>
        <translation>%1 バイト目がありません: %2 メッセージにはさらにデータバイトが必要です。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: no message starts with %2.</source>
        <translation>%1 バイト目: %2 で始まるメッセージはありません。</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Byte %1: the System Ex. message starting here has no F7 at its end.</source>
        <translation>%1 バイト目: ここから始まる System Ex. メッセージの最後に F7 がありません。</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Byte %1: the %2-byte data field (DT) does not fit the data bytes of the %3 message.</source>
        <translation>%1 バイト目: %2 バイトのデータ (DT) が %3 メッセージのデータバイトに収まりません。</translation>
    </message>
    <message>
        <location filename="../../gui/panel/panelaccess.cpp" line="+29"/>
        <source>%1 knob</source>
        <translation>%1 ノブ</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 slider</source>
        <translation>%1 スライダー</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 pedal</source>
        <translation>%1 ペダル</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 wheel</source>
        <translation>%1 ホイール</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 pad</source>
        <translation>%1 パッド</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 button</source>
        <translation>%1 ボタン</translation>
    </message>
    <message>
        <location line="+59"/>
        <source>invalid assignment</source>
        <translation>無効な割り当て</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>channel %1</source>
        <translation>チャンネル %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>port %1</source>
        <translation>ポート %1</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>Enter opens the assign dialog; the arrow keys move to the nearest control</source>
        <translation>Enter で割り当てダイアログを開きます。矢印キーで最も近いコントロールへ移動します</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>Opens the assign dialog on this control</source>
        <translation>このコントロールの割り当てダイアログを開きます</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Selects this control</source>
        <translation>このコントロールを選択します</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>Controller panel</source>
        <translation>コントローラー パネル</translation>
    </message>
    <message>
        <location line="+52"/>
        <source>The device&apos;s 50 controls. Arrow keys move to the nearest control, Home and End to the first and last, Enter opens it. Shift+arrow keys select several controls, Ctrl+Space adds or removes the control, Escape keeps only this one.</source>
        <translation>デバイスの 50 個のコントロール。矢印キーで最も近いコントロールへ、Home と End で最初と最後へ移動し、Enter で開きます。Shift+矢印キーで複数のコントロールを選択し、Ctrl+Space でコントロールを選択に加えたり外したりし、Escape でこのコントロールだけを選択します。</translation>
    </message>
    <message>
        <source>The device&apos;s 50 controls. Arrow keys move to the nearest control, Home and End to the first and last, Enter opens it.</source>
        <translation type="vanished">本体の 50 個のコントロール。矢印キーで最も近いコントロールへ、Home と End で最初と最後へ移動し、Enter で開きます。</translation>
    </message>
    <message>
        <location filename="../../app/kelmidi.cpp" line="+183"/>
        <source>The transfer is not kept in the device history: %1</source>
        <translation>転送はデバイスの履歴に保存されませんでした: %1</translation>
    </message>
    <message>
        <location line="+54"/>
        <source>The MIDI input &quot;%1&quot; is still not there. The monitor keeps its lines and listens again as soon as the input returns.</source>
        <translation>MIDI 入力「%1」はまだありません。モニターは行を残したまま、入力が戻りしだい再び受信します。</translation>
    </message>
    <message>
        <location line="+175"/>
        <source>The MIDI input &quot;%1&quot; is no longer there. Learning has been cancelled.</source>
        <translation>MIDI 入力「%1」がなくなりました。学習を中止しました。</translation>
    </message>
    <message>
        <location line="+91"/>
        <source>These controls keep NO ASSIGN in the control map.</source>
        <translation>これらのコントロールはコントロール・マップで NO ASSIGN のままです。</translation>
    </message>
    <message>
        <location filename="../../app/learn.cpp" line="+26"/>
        <source>Nothing was heard from the MIDI input: %1 is unchanged.</source>
        <translation>MIDI 入力から何も届きませんでした。%1 は変更されていません。</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>Move the control on the KEL that %1 should learn from (Esc cancels).</source>
        <translation>%1 に学習させる KEL のコントローラーを動かしてください(Esc で中止)。</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Learning cancelled: %1 is unchanged.</source>
        <translation>学習を中止しました。%1 は変更されていません。</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>Learn %1</source>
        <translation>%1 の学習</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>%1 learned its assignment from the MIDI input.</source>
        <translation>%1 のアサインを MIDI 入力から学習しました。</translation>
    </message>
    <message>
        <location filename="../../app/printmap.cpp" line="+80"/>
        <source>(untitled control map)</source>
        <translation>(無題のコントロール・マップ)</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>Reduced to %1 % to fit the page: the panel&apos;s own size (%2 x %3 mm) needs a larger page or landscape orientation.</source>
        <translation>用紙に合わせて %1 % に縮小しました。本体の絵の実物大 (%2 x %3 mm) には、より大きな用紙か横向きが必要です。</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Panel at its own size (%1 x %2 mm): cut along the dashed line.</source>
        <translation>本体の絵は実物大 (%1 x %2 mm) です。破線に沿って切り取ってください。</translation>
    </message>
    <message>
        <location line="+59"/>
        <source>The control map could not be printed.</source>
        <translation>コントロール・マップを印刷できませんでした。</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>Print Preview</source>
        <translation>印刷プレビュー</translation>
    </message>
    <message>
        <location filename="../../gui/common/uiservices.cpp" line="+185"/>
        <source>Open MIDI Devices to choose the port now?</source>
        <translation>MIDI デバイスを開いて、いまポートを選びますか?</translation>
    </message>
    <message>
        <location filename="../../gui/common/maptextedit.cpp" line="+61"/>
        <source>The map file holds at most 128 bytes of this text: one for each English letter, up to three for other letters.</source>
        <translation>マップ・ファイルにはこのテキストを最大 128 バイトまで保存できます。英字は 1 文字 1 バイト、その他の文字は最大 3 バイトを使います。</translation>
    </message>
    <message>
        <source>This text is longer than the 128 bytes the device&apos;s map files hold. It is kept whole as long as you leave it unchanged.</source>
        <translation>このテキストは、マップ・ファイルに保存できる 128 バイトを超えています。変更しない限り、そのまま保存されます。</translation>
    </message>
    <message>
        <source>This text is longer than the 128 bytes the device&apos;s map files hold. Changed, it is cut to its first 128 bytes.</source>
        <translation>このテキストは、マップ・ファイルに保存できる 128 バイトを超えています。変更すると、先頭の 128 バイトに切り詰められます。</translation>
    </message>
    <message>
        <location filename="../../gui/assign/controllerpicker.cpp" line="+29"/>
        <source>Find by name</source>
        <translation>名前で検索</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Find a controller by name or number</source>
        <translation>コントロール番号を名前または番号で検索</translation>
    </message>
    <message>
        <location line="+70"/>
        <source>No controller name contains &quot;%1&quot;; the number stays</source>
        <translation>「%1」を含むコントロール名はありません。番号は変わりません</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Controllers found: %1</source>
        <translation>見つかったコントロール: %1 件</translation>
    </message>
</context>
<context>
    <name>MapCheck</name>
    <message>
        <location filename="../../../tools/kel-core-texts/core-texts.cpp" line="-123"/>
        <source>%1 and %2 both send %3%4.</source>
        <translation>%1 と %2 は同じ %3%4 を送信します。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 all send %2%3.</source>
        <translation>%1 はすべて同じ %2%3 を送信します。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the minimum %2 is above the maximum %3.</source>
        <translation>%1: 最小値 %2 が最大値 %3 を上回っています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: assign code %2 is not a known message kind.</source>
        <translation>%1: アサイン・コード %2 は既知のメッセージの種類ではありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: port value %2 is not Port 1, Port 2 or Port 1 + 2.</source>
        <translation>%1: ポートの値 %2 は Port 1、Port 2、Port 1 + 2 のいずれでもありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: channel %2 is outside 1-16.</source>
        <translation>%1: チャンネル %2 は 1～16 の範囲外です。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: button mode %2 is not Unlatch, Latch or Increase.</source>
        <translation>%1: ボタン・モード %2 は Unlatch、Latch、Increase のいずれでもありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: AFT mode %2 is not OFF, Channel Pressure or Polyphonic Key Pressure.</source>
        <translation>%1: AFT モード %2 は OFF、Channel Pressure、Polyphonic Key Pressure のいずれでもありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the %2 is %3, above %4.</source>
        <translation>%1: %2 が %3 で、%4 を超えています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the %2 would be %3, outside %4-%5.</source>
        <translation>%1: %2 が %3 になり、%4-%5 の範囲外です。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: %2 is not a system realtime message the control can send (F6, F8, FA, FB, FC or FF).</source>
        <translation>%1: %2 は、このコントローラーが送信できるシステム・リアルタイム・メッセージ (F6、F8、FA、FB、FC、FF) ではありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: data type %2 is not one of DT0 to DT4.</source>
        <translation>%1: データ・タイプ %2 は DT0～DT4 のいずれでもありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the Free Message length %2 is above 24 bytes.</source>
        <translation>%1: Free Message の長さ %2 が 24 バイトを超えています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: checksum kind %2 is not 1 or 2.</source>
        <translation>%1: チェックサムの種類 %2 は 1 でも 2 でもありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the data range %2-%3 goes above %4, the top of %5.</source>
        <translation>%1: データ範囲 %2-%3 が %5 の上限 %4 を超えています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the stored %2 is not a valid message: %3</source>
        <translation>%1: 保存されている %2 は正しいメッセージではありません: %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the stored %2 is longer than 24 bytes: %3</source>
        <translation>%1: 保存されている %2 は 24 バイトを超えています: %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: the data field, checksum or channel marker of the %2 lies outside its bytes: %3</source>
        <translation>%1: %2 のデータ・フィールド、チェックサム、またはチャンネル・マーカーがメッセージの外にあります: %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 and %2</source>
        <translation>%1 と %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source> on channel %1, %2</source>
        <translation> (チャンネル %1、%2)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source> on channel %1</source>
        <translation> (チャンネル %1)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source> on %1</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System Ex. message</source>
        <translation>System Ex. メッセージ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Free Message</source>
        <translation>Free Message</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>note %1</source>
        <translation>ノート %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>channel pressure</source>
        <translation>チャンネル・プレッシャー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>poly pressure on note %1</source>
        <translation>ノート %1 のポリフォニック・キー・プレッシャー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>CC %1</source>
        <translation>CC %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>program change %1</source>
        <translation>プログラム・チェンジ %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>program changes (Min-Max)</source>
        <translation>プログラム・チェンジ (Min-Max)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>bank %1/%2 with program change %3</source>
        <translation>バンク %1/%2 とプログラム・チェンジ %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>PC Dec</source>
        <translation>PC Dec</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>PC Inc</source>
        <translation>PC Inc</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RPN %1/%2</source>
        <translation>RPN %1/%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>NRPN %1/%2</source>
        <translation>NRPN %1/%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1</source>
        <translation>%1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the System Ex. message %1</source>
        <translation>System Ex. メッセージ %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>the Free Message %1</source>
        <translation>Free Message %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TEMPO</source>
        <translation>TEMPO</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>note number</source>
        <translation>ノート番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>velocity</source>
        <translation>ベロシティ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>controller number</source>
        <translation>コントローラー番号</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>minimum</source>
        <translation>最小値</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>maximum</source>
        <translation>最大値</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>program</source>
        <translation>プログラム</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>bank LSB</source>
        <translation>バンク LSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>bank MSB</source>
        <translation>バンク MSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>parameter LSB</source>
        <translation>パラメーター LSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>parameter MSB</source>
        <translation>パラメーター MSB</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>warning</source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>MapCompare</name>
    <message>
        <location line="+1"/>
        <source>%1: %2 → %3</source>
        <translation>%1: %2 → %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 %2 → %3</source>
        <translation>%1 %2 → %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Title: &quot;%1&quot; → &quot;%2&quot;</source>
        <translation>タイトル: &quot;%1&quot; → &quot;%2&quot;</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&quot;%1&quot;</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>invalid code %1</source>
        <translation>無効なコード %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The KEL&apos;s memory matches the control map.</source>
        <translation>KEL のメモリーはコントロール・マップと一致しています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The control maps are equal.</source>
        <translation>コントロール・マップは同じです。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>assign code</source>
        <translation>アサイン・コード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>port</source>
        <translation>ポート</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>button mode</source>
        <translation>ボタン・モード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>center click</source>
        <translation>センター・クリック</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>AFT mode</source>
        <translation>AFT モード</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>velocity</source>
        <translation>ベロシティ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>minimum</source>
        <translation>最小値</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>maximum</source>
        <translation>最大値</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>message</source>
        <translation>メッセージ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>data type</source>
        <translation>データ・タイプ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>data range</source>
        <translation>データ範囲</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>comment</source>
        <translation>コメント</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>other bytes</source>
        <translation>その他のバイト</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>on</source>
        <translation>オン</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>off</source>
        <translation>オフ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>none</source>
        <translation>なし</translation>
    </message>
</context>
<context>
    <name>MapText</name>
    <message>
        <source>The title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>The comment of %1</source>
        <translation>%1 のコメント</translation>
    </message>
    <message>
        <source>%1 would take %2 bytes in %3, the encoding the map file would then be written in: more than the 128 bytes a text has there. It is not cut, so nothing is changed.</source>
        <translation>%1 は、マップ・ファイルがそのとき書かれるエンコーディング %3 では %2 バイトになり、テキスト 1 つに使える 128 バイトを超えます。テキストは切り詰めず、何も変更しません。</translation>
    </message>
</context>
<context>
    <name>MidiMessage</name>
    <message>
        <location line="+21"/>
        <source>SysEx %1 bytes</source>
        <translation>エクスクルーシブ %1 バイト</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Unknown (%1 bytes)</source>
        <translation>不明 (%1 バイト)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Note Off %1, ch %2</source>
        <translation>ノート・オフ %1、チャンネル %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Note On %1 vel %2, ch %3</source>
        <translation>ノート・オン %1 ベロシティ %2、チャンネル %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Poly Pressure %1 = %2, ch %3</source>
        <translation>ポリ・プレッシャー %1 = %2、チャンネル %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>CC %1 = %2, ch %3</source>
        <translation>CC %1 = %2、チャンネル %3</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Program %1, ch %2</source>
        <translation>プログラム・チェンジ %1、チャンネル %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Channel Pressure %1, ch %2</source>
        <translation>チャンネル・プレッシャー %1、チャンネル %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Pitch Bend %1, ch %2</source>
        <translation>ピッチ・ベンド %1、チャンネル %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Time Code %1</source>
        <translation>タイム・コード %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Song Position %1</source>
        <translation>ソング・ポジション %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Song Select %1</source>
        <translation>ソング・セレクト %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Tune Request</source>
        <translation>チューン・リクエスト</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Clock</source>
        <translation>クロック</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Start</source>
        <translation>スタート</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Continue</source>
        <translation>コンティニュー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Stop</source>
        <translation>ストップ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Active Sensing</source>
        <translation>アクティブ・センシング</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System Reset</source>
        <translation>システム・リセット</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Undefined %1</source>
        <translation>未定義 %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>(parameter not selected)</source>
        <translation>(パラメーター未選択)</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <location line="-215"/>
        <source>VOSTEL KEL Editor</source>
        <translation>VOSTEL KEL Editor</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Transmitting was aborted.
Press the [CANCEL] button of KEL and perform
the bulk reception procedure over again.</source>
        <translation>送信を中止しました。
KEL の [CANCEL] ボタンを押し、
バルク受信の操作をやり直してください。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Create a new document
New</source>
        <translation>新しいドキュメントを作成します
新規作成</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open an existing document
Open</source>
        <translation>既存のドキュメントを開きます
開く</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save the active document
Save</source>
        <translation>アクティブなドキュメントを保存します
上書き保存</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save the active document with a new name
Save As</source>
        <translation>アクティブなドキュメントに名前を付けて保存します
名前を付けて保存</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save the list of assigned messages as an HTML file
Export Assignment List</source>
        <translation>アサインされたメッセージの一覧を HTML ファイルに保存します
アサイン一覧の書き出し</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display the list of assigned messages using HTML browser
View Assignment List</source>
        <translation>アサインされたメッセージの一覧を HTML ブラウザーで表示します
アサイン一覧の表示</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Copy the message assigned to the selected controller
Copy</source>
        <translation>選択したコントローラーにアサインされたメッセージをコピーします
コピー</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Assign the copied message to the selected controller
Paste</source>
        <translation>コピーしたメッセージを選択したコントローラーにアサインします
貼り付け</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Set the message type to &quot;NO ASSIGN&quot;
NO ASSIGN</source>
        <translation>メッセージの種類を &quot;NO ASSIGN&quot; にします
アサイン解除</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Write the control map to the KEL&apos;s current memory
Transmit</source>
        <translation>コントロール・マップを KEL のカレント・メモリーに書き込みます
送信</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Retrieve the current memory from the KEL
Retrieve</source>
        <translation>KEL のカレント・メモリーを取り込みます
受信</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Select the MIDI devices to open
MIDI Devices</source>
        <translation>使用する MIDI デバイスを選択します
MIDI デバイス</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display the assigned message
Show Messages</source>
        <translation>アサインされたメッセージを表示します
メッセージ表示</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display the online help.
Help</source>
        <translation>オンライン・ヘルプを表示します。
ヘルプ</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Overwrite KEL&apos;s current memory.
OK?</source>
        <translation>KEL のカレント・メモリーを上書きします。
よろしいですか?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The control map currently being edited will be lost as the result of carrying out this processing.
OK?</source>
        <translation>この処理を行うと、編集中のコントロール・マップは失われます。
よろしいですか?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Import memory set
Import Memory Set</source>
        <translation>メモリー・セットを読み込みます
メモリー・セットの読み込み</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MIDI Files (*.mid;*.midi)|*.mid; *.midi|All Files (*.*)|*.*||</source>
        <translation>MIDI ファイル (*.mid;*.midi)|*.mid; *.midi|すべてのファイル (*.*)|*.*||</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>HTML Files (*.htm;*.html)|*.htm; *.html|All Files (*.*)|*.*||</source>
        <translation>HTML ファイル (*.htm;*.html)|*.htm; *.html|すべてのファイル (*.*)|*.*||</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The contents of the parameter have changed.
Save the changes?</source>
        <translation>パラメーターの内容が変更されています。
変更を保存しますか?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file cannot be overwritten.</source>
        <translation>ファイルを上書きできません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>An error occurred while saving the file. (%d)</source>
        <translation>ファイルの保存中にエラーが発生しました。 (%d)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>An error occurred while loading the file. (%d)</source>
        <translation>ファイルの読み込み中にエラーが発生しました。 (%d)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to load the file.</source>
        <translation>ファイルを読み込めませんでした。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cannot create temporary file. (%d)</source>
        <translation>一時ファイルを作成できません。 (%d)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to start up HTML browser. (%d)</source>
        <translation>HTML ブラウザーを起動できませんでした。 (%d)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>MIDI device has not been selected.
In order to communicate with the KEL, you must choose the MIDI device to be used.</source>
        <translation>MIDI デバイスが選択されていません。
KEL と通信するには、使用する MIDI デバイスを選択してください。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to open MIDI input device. (%d)</source>
        <translation>MIDI 入力デバイスを開けませんでした。 (%d)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to open MIDI output device. (%d)</source>
        <translation>MIDI 出力デバイスを開けませんでした。 (%d)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to start MIDI input device.</source>
        <translation>MIDI 入力デバイスを開始できませんでした。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to start MIDI output device.</source>
        <translation>MIDI 出力デバイスを開始できませんでした。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Untitled</source>
        <translation>無題</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>There is a mistake in the message you input.</source>
        <translation>入力したメッセージに誤りがあります。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Can&apos;t find Help file.</source>
        <translation>ヘルプ・ファイルが見つかりません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The message exceeds %d bytes.</source>
        <translation>メッセージが %d バイトを超えています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This file is not a KEL control map file.</source>
        <translation>このファイルは KEL のコントロール・マップ・ファイルではありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This file is not a KEL memory set file.</source>
        <translation>このファイルは KEL のメモリー・セット・ファイルではありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The copyright text of this file is longer than 256 MiB. The file cannot be opened.</source>
        <translation>このファイルの著作権テキストは 256 MiB を超えています。ファイルを開けません。</translation>
    </message>
    <message>
        <source>A title or comment of this file is longer than 64 KiB. The file cannot be opened.</source>
        <translation>このファイルのタイトルまたはコメントが 64 KiB を超えています。ファイルを開けません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source> </source>
        <translation> </translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Open this document</source>
        <translation>このドキュメントを開きます</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Display program information, version number and copyright
About</source>
        <translation>プログラムの情報、バージョン、著作権を表示します
バージョン情報</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Quit the application
Exit</source>
        <translation>アプリケーションを終了します
終了</translation>
    </message>
</context>
<context>
    <name>SyxFile</name>
    <message>
        <location line="+141"/>
        <source>The file cannot be read: %1.</source>
        <translation>ファイルを読み込めません: %1。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>it is not a regular file</source>
        <translation>通常のファイルではありません</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file is empty.</source>
        <translation>ファイルが空です。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file is larger than %1 bytes; it is not a system-exclusive file of a control map.</source>
        <translation>ファイルが %1 バイトより大きいため、コントロール・マップのシステム・エクスクルーシブ・ファイルではありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This is not a system-exclusive file: the byte %1 at offset %2 belongs to no MIDI message.</source>
        <translation>システム・エクスクルーシブ・ファイルではありません: オフセット %2 のバイト %1 はどの MIDI メッセージにも属しません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>This is a Standard MIDI File, not a system-exclusive file; open it as a control map file.</source>
        <translation>これはシステム・エクスクルーシブ・ファイルではなくスタンダード MIDI ファイルです。コントロール・マップ・ファイルとして開いてください。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file ends in the middle of the message that starts at offset %1.</source>
        <translation>オフセット %1 から始まるメッセージの途中でファイルが終わっています。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The KEL bulk message at offset %1 is damaged (wrong length, address or checksum).</source>
        <translation>オフセット %1 の KEL バルク・メッセージが壊れています (長さ、アドレス、またはチェックサムが正しくありません)。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file holds two different bulk messages for %1.</source>
        <translation>ファイルに %1 の異なるバルク・メッセージが 2 つあります。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file holds no KEL bulk messages.</source>
        <translation>ファイルに KEL のバルク・メッセージがありません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file holds %1 of the 50 KEL bulk messages; missing: %2.</source>
        <translation>ファイルには KEL のバルク・メッセージ 50 個のうち %1 個しかありません。足りないもの: %2。</translation>
    </message>
</context>
<context>
    <name>Transfer</name>
    <message>
        <location line="-19"/>
        <source>Waiting for %1</source>
        <translation>%1 を待っています</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Waiting for %1 controls: %2</source>
        <translation>%1 個のコントロールを待っています: %2</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 (1 damaged message)</source>
        <translation>%1 (壊れたメッセージ 1 個)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 (%2 damaged messages)</source>
        <translation>%1 (壊れたメッセージ %2 個)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Not received: %1</source>
        <translation>受信できなかったコントロール: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The MIDI input &quot;%1&quot; is not there.</source>
        <translation>MIDI 入力「%1」が見つかりません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The MIDI output &quot;%1&quot; is not there.</source>
        <translation>MIDI 出力「%1」が見つかりません。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The MIDI input &quot;%1&quot; is chosen: it is the only one listed.</source>
        <translation>MIDI 入力「%1」を選びました。一覧にあるのはこの入力だけです。</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The MIDI output &quot;%1&quot; is chosen: it is the only one listed.</source>
        <translation>MIDI 出力「%1」を選びました。一覧にあるのはこの出力だけです。</translation>
    </message>
</context>
<context>
    <name>ControlSetting</name>
    <message>
        <source>%1 has no %2</source>
        <translation>%1 には %2 がありません</translation>
    </message>
    <message>
        <source>%1 &apos;%2&apos; is out of range (%3-%4)</source>
        <translation>%1 の値 &apos;%2&apos; は範囲外です (%3-%4)</translation>
    </message>
    <message>
        <source>%1 %2 is out of range (%3-%4)</source>
        <translation>%1 の値 %2 は範囲外です (%3-%4)</translation>
    </message>
    <message>
        <source>%1 has no button mode %2</source>
        <translation>%1 にはボタン・モード %2 がありません</translation>
    </message>
    <message>
        <source>The message has no data field (DT) for a data range.</source>
        <translation>メッセージにデータ・フィールド (DT) がないため、データ範囲を設定できません。</translation>
    </message>
    <message>
        <source>The comment is not UTF-8 text.</source>
        <translation>コメントが UTF-8 のテキストではありません。</translation>
    </message>
    <message>
        <source>The comment is longer than the 128 bytes a comment takes in the file.</source>
        <translation>コメントが、ファイルでコメントに使える 128 バイトを超えています。</translation>
    </message>
    <message>
        <source>There is a mistake in the message you input.</source>
        <translation>入力したメッセージに誤りがあります。</translation>
    </message>
    <message>
        <source>There is a mistake in the message you input. (character %1: &apos;%2&apos;)</source>
        <translation>入力したメッセージに誤りがあります。(%1 文字目: &apos;%2&apos;)</translation>
    </message>
    <message>
        <source>There is a mistake in the message you input. (character %1: end of text)</source>
        <translation>入力したメッセージに誤りがあります。(%1 文字目: テキストの終わり)</translation>
    </message>
    <message>
        <source>The message exceeds %1 bytes.</source>
        <translation>メッセージが %1 バイトを超えています。</translation>
    </message>
    <message>
        <source>value %1</source>
        <translation>値 %1</translation>
    </message>
    <message>
        <source>channel</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>port</source>
        <translation>ポート</translation>
    </message>
    <message>
        <source>button mode</source>
        <translation>ボタン・モード</translation>
    </message>
    <message>
        <source>AFT mode</source>
        <translation>AFT モード</translation>
    </message>
    <message>
        <source>virtual center click</source>
        <translation>仮想センター・クリック</translation>
    </message>
    <message>
        <source>system realtime status</source>
        <translation>システム・リアルタイムのステータス</translation>
    </message>
    <message>
        <source>message text</source>
        <translation>メッセージ・テキスト</translation>
    </message>
    <message>
        <source>data type</source>
        <translation>データ・タイプ</translation>
    </message>
    <message>
        <source>data range</source>
        <translation>データ範囲</translation>
    </message>
    <message>
        <source>minimum</source>
        <translation>最小値</translation>
    </message>
    <message>
        <source>maximum</source>
        <translation>最大値</translation>
    </message>
</context>
<context>
    <name>Failure</name>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
</context>
</TS>
