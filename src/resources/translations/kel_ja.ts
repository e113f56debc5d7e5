<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en_US">
<context>
    <name>KelEditor</name>
    <message>
        <source>NO ASSIGN	Del</source>
        <translation>アサイン解除	Del</translation>
    </message>
    <message>
        <source>DELETE	Del</source>
        <translation>削除	Del</translation>
    </message>
</context>
</TS>
