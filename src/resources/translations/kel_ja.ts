<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>KelEditor</name>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Communication</source>
        <translation>通信(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>オプション(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;New	Ctrl+N</source>
        <translation>新規作成(&amp;N)	Ctrl+N</translation>
    </message>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>開く(&amp;O)...	Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Save	Ctrl+S</source>
        <translation>上書き保存(&amp;S)	Ctrl+S</translation>
    </message>
    <message>
        <source>Save &amp;As...	Ctrl+Shift+S</source>
        <translation>名前を付けて保存(&amp;A)...	Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>&amp;Import Memory Set...</source>
        <translation>メモリー・セットの読み込み(&amp;I)...</translation>
    </message>
    <message>
        <source>&amp;Export Assign List...</source>
        <translation>アサイン一覧の書き出し(&amp;E)...</translation>
    </message>
    <message>
        <source>&amp;View Assign List</source>
        <translation>アサイン一覧の表示(&amp;V)</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>最近使ったファイル</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Copy	Ctrl+C</source>
        <translation>コピー(&amp;C)	Ctrl+C</translation>
    </message>
    <message>
        <source>&amp;Paste	Ctrl+V</source>
        <translation>貼り付け(&amp;P)	Ctrl+V</translation>
    </message>
    <message>
        <source>NO ASSIGN	Del</source>
        <translation>アサイン解除	Del</translation>
    </message>
    <message>
        <source>DELETE	Del</source>
        <translation>削除	Del</translation>
    </message>
    <message>
        <source>&amp;Transmit...</source>
        <translation>送信(&amp;T)...</translation>
    </message>
    <message>
        <source>&amp;Receive...</source>
        <translation>受信(&amp;R)...</translation>
    </message>
    <message>
        <source>&amp;MIDI Devices...</source>
        <translation>MIDI デバイス(&amp;M)...</translation>
    </message>
    <message>
        <source>&amp;Show Messages</source>
        <translation>メッセージ表示(&amp;S)</translation>
    </message>
    <message>
        <source>KEL Editor &amp;Help</source>
        <translation>KEL Editor ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>バージョン情報(&amp;A)...</translation>
    </message>
    <message>
        <source>TITLE:</source>
        <translation>TITLE:</translation>
    </message>
    <message>
        <source>About VOSTEL KEL Editor</source>
        <translation>VOSTEL KEL Editor のバージョン情報</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>続行</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Transmit Control Map</source>
        <translation>コントロールマップの送信</translation>
    </message>
    <message>
        <source>Please set the KEL to Bulk Receive mode.</source>
        <translation>KEL をバルク受信モードにしてください。</translation>
    </message>
    <message>
        <source>Procedure is as follows:</source>
        <translation>手順は次のとおりです:</translation>
    </message>
    <message>
        <source>Confirm that &quot;RS&quot; is indicated, then
press the [ENTER] button.</source>
        <translation>「RS」が表示されていることを確認してから、
[ENTER] ボタンを押してください。</translation>
    </message>
    <message>
        <source>Receive Control Map</source>
        <translation>コントロールマップの受信</translation>
    </message>
    <message>
        <source>Please set the KEL to Bulk Transmit mode.</source>
        <translation>KEL をバルク送信モードにしてください。</translation>
    </message>
    <message>
        <source>1 Confirm that &quot;TS&quot; is indicated, then
   press the [ENTER] button.</source>
        <translation>1 「TS」が表示されていることを確認してから、
   [ENTER] ボタンを押してください。</translation>
    </message>
    <message>
        <source>2 Press the [ENTER] button.</source>
        <translation>2 [ENTER] ボタンを押してください。</translation>
    </message>
    <message>
        <source>Transmitting...</source>
        <translation>送信中...</translation>
    </message>
    <message>
        <source>MIDI Devices</source>
        <translation>MIDI デバイス</translation>
    </message>
    <message>
        <source>MIDI System</source>
        <translation>MIDI システム</translation>
    </message>
    <message>
        <source>Input Port</source>
        <translation>入力ポート</translation>
    </message>
    <message>
        <source>Output Port</source>
        <translation>出力ポート</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Built-in virtual KEL device</source>
        <translation>内蔵の仮想 KEL デバイス</translation>
    </message>
    <message>
        <source>This MIDI system lists no ports.</source>
        <translation>この MIDI システムにはポートがありません。</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>VOSTEL KEL Editor</source>
        <translation>VOSTEL KEL Editor</translation>
    </message>
    <message>
        <source>Transmitting was aborted.
Press the [CANCEL] button of KEL and perform
the bulk reception procedure over again.</source>
        <translation>送信を中止しました。
KEL の [CANCEL] ボタンを押し、
バルク受信の操作をやり直してください。</translation>
    </message>
    <message>
        <source>Create a new document
New</source>
        <translation>新しいドキュメントを作成します
新規作成</translation>
    </message>
    <message>
        <source>Open an existing document
Open</source>
        <translation>既存のドキュメントを開きます
開く</translation>
    </message>
    <message>
        <source>Save the active document
Save</source>
        <translation>アクティブなドキュメントを保存します
上書き保存</translation>
    </message>
    <message>
        <source>Save the active document with a new name
Save As</source>
        <translation>アクティブなドキュメントに名前を付けて保存します
名前を付けて保存</translation>
    </message>
    <message>
        <source>Save the list of assigned messages as an HTML file
Export Assignment List</source>
        <translation>アサインされたメッセージの一覧を HTML ファイルに保存します
アサイン一覧の書き出し</translation>
    </message>
    <message>
        <source>Display the list of assigned messages using HTML browser
View Assignment List</source>
        <translation>アサインされたメッセージの一覧を HTML ブラウザーで表示します
アサイン一覧の表示</translation>
    </message>
    <message>
        <source>Copy the message assigned to the selected controller
Copy</source>
        <translation>選択したコントローラーにアサインされたメッセージをコピーします
コピー</translation>
    </message>
    <message>
        <source>Assign the copied message to the selected controller
Paste</source>
        <translation>コピーしたメッセージを選択したコントローラーにアサインします
貼り付け</translation>
    </message>
    <message>
        <source>Set the message type to "NO ASSIGN"
NO ASSIGN</source>
        <translation>メッセージの種類を "NO ASSIGN" にします
アサイン解除</translation>
    </message>
    <message>
        <source>Write the control map to the KEL's current memory
Transmit</source>
        <translation>コントロール・マップを KEL のカレント・メモリーに書き込みます
送信</translation>
    </message>
    <message>
        <source>Retrieve the current memory from the KEL
Retrieve</source>
        <translation>KEL のカレント・メモリーを取り込みます
受信</translation>
    </message>
    <message>
        <source>Select the MIDI devices to open
MIDI Devices</source>
        <translation>使用する MIDI デバイスを選択します
MIDI デバイス</translation>
    </message>
    <message>
        <source>Display the assigned message
Show Messages</source>
        <translation>アサインされたメッセージを表示します
メッセージ表示</translation>
    </message>
    <message>
        <source>Display the online help.
Help</source>
        <translation>オンライン・ヘルプを表示します。
ヘルプ</translation>
    </message>
    <message>
        <source>Overwrite KEL's current memory.
OK?</source>
        <translation>KEL のカレント・メモリーを上書きします。
よろしいですか?</translation>
    </message>
    <message>
        <source>The control map currently being edited will be lost as the result of carrying out this processing.
OK?</source>
        <translation>この処理を行うと、編集中のコントロール・マップは失われます。
よろしいですか?</translation>
    </message>
    <message>
        <source>Import memory set
Import Memory Set</source>
        <translation>メモリー・セットを読み込みます
メモリー・セットの読み込み</translation>
    </message>
    <message>
        <source>MIDI Files (*.mid;*.midi)|*.mid; *.midi|All Files (*.*)|*.*||</source>
        <translation>MIDI ファイル (*.mid;*.midi)|*.mid; *.midi|すべてのファイル (*.*)|*.*||</translation>
    </message>
    <message>
        <source>HTML Files (*.htm;*.html)|*.htm; *.html|All Files (*.*)|*.*||</source>
        <translation>HTML ファイル (*.htm;*.html)|*.htm; *.html|すべてのファイル (*.*)|*.*||</translation>
    </message>
    <message>
        <source>The contents of the parameter have changed.
Save the changes?</source>
        <translation>パラメーターの内容が変更されています。
変更を保存しますか?</translation>
    </message>
    <message>
        <source>The file cannot be overwritten.</source>
        <translation>ファイルを上書きできません。</translation>
    </message>
    <message>
        <source>An error occurred while saving the file. (%d)</source>
        <translation>ファイルの保存中にエラーが発生しました。 (%d)</translation>
    </message>
    <message>
        <source>An error occurred while loading the file. (%d)</source>
        <translation>ファイルの読み込み中にエラーが発生しました。 (%d)</translation>
    </message>
    <message>
        <source>Failed to load the file.</source>
        <translation>ファイルを読み込めませんでした。</translation>
    </message>
    <message>
        <source>Cannot create temporary file. (%d)</source>
        <translation>一時ファイルを作成できません。 (%d)</translation>
    </message>
    <message>
        <source>Failed to start up HTML browser. (%d)</source>
        <translation>HTML ブラウザーを起動できませんでした。 (%d)</translation>
    </message>
    <message>
        <source>MIDI device has not been selected.
In order to communicate with the KEL, you must choose the MIDI device to be used.</source>
        <translation>MIDI デバイスが選択されていません。
KEL と通信するには、使用する MIDI デバイスを選択してください。</translation>
    </message>
    <message>
        <source>Failed to open MIDI input device. (%d)</source>
        <translation>MIDI 入力デバイスを開けませんでした。 (%d)</translation>
    </message>
    <message>
        <source>Failed to open MIDI output device. (%d)</source>
        <translation>MIDI 出力デバイスを開けませんでした。 (%d)</translation>
    </message>
    <message>
        <source>Failed to start MIDI input device.</source>
        <translation>MIDI 入力デバイスを開始できませんでした。</translation>
    </message>
    <message>
        <source>Failed to start MIDI output device.</source>
        <translation>MIDI 出力デバイスを開始できませんでした。</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>無題</translation>
    </message>
    <message>
        <source>There is a mistake in the message you input.</source>
        <translation>入力したメッセージに誤りがあります。</translation>
    </message>
    <message>
        <source>Can't find Help file.</source>
        <translation>ヘルプ・ファイルが見つかりません。</translation>
    </message>
    <message>
        <source>The message exceeds %d bytes.</source>
        <translation>メッセージが %d バイトを超えています。</translation>
    </message>
    <message>
        <source>This file is not a KEL control map file.</source>
        <translation>このファイルは KEL のコントロール・マップ・ファイルではありません。</translation>
    </message>
    <message>
        <source>This file is not a KEL memory set file.</source>
        <translation>このファイルは KEL のメモリー・セット・ファイルではありません。</translation>
    </message>
    <message>
        <source> </source>
        <translation> </translation>
    </message>
    <message>
        <source>Open this document</source>
        <translation>このドキュメントを開きます</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright
About</source>
        <translation>プログラムの情報、バージョン、著作権を表示します
バージョン情報</translation>
    </message>
    <message>
        <source>Quit the application
Exit</source>
        <translation>アプリケーションを終了します
終了</translation>
    </message>
</context>
</TS>
