<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>BmpWriter</name>
    <message>
        <source>保存する画像がありません</source>
        <translation>There is no image to save</translation>
    </message>
    <message>
        <source>画像が大きすぎます</source>
        <translation>The image is too large</translation>
    </message>
</context>
<context>
    <name>FileSaver</name>
    <message>
        <source>フォルダ &quot;%1&quot; に書き込めません: %2</source>
        <translation>Cannot write to the folder &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>Prompts</name>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ViewerBus</name>
    <message>
        <source>シンボリックリンクです</source>
        <translation>is a symbolic link</translation>
    </message>
    <message>
        <source>フォルダではありません</source>
        <translation>is not a folder</translation>
    </message>
    <message>
        <source>他のユーザーのフォルダです</source>
        <translation>belongs to another user</translation>
    </message>
    <message>
        <source>他のユーザーにも開かれています</source>
        <translation>is open to other users</translation>
    </message>
    <message>
        <source>%1: フォルダを作れません (%2)</source>
        <translation>%1: cannot create the folder (%2)</translation>
    </message>
    <message>
        <source>ホームフォルダが分かりません</source>
        <translation>the home folder is not known</translation>
    </message>
    <message>
        <source>使えないメッセージ名です</source>
        <translation>the message name cannot be used</translation>
    </message>
    <message>
        <source>%1: メッセージ表を使えません</source>
        <translation>%1: cannot use the message table</translation>
    </message>
    <message>
        <source>%1: メッセージ表が一杯です</source>
        <translation>%1: the message table is full</translation>
    </message>
    <message>
        <source>フォルダがなくなりました</source>
        <translation>the folder no longer exists</translation>
    </message>
    <message>
        <source>フォルダが別のものに置き換えられました</source>
        <translation>the folder has been replaced by another</translation>
    </message>
    <message>
        <source>ソケットを作れません (%1)</source>
        <translation>cannot create a socket (%1)</translation>
    </message>
    <message>
        <source>%1: ソケットには長すぎるパスです</source>
        <translation>%1: the path is too long for a socket</translation>
    </message>
    <message>
        <source>%1: ソケットを作れません (%2)</source>
        <translation>%1: cannot create the socket (%2)</translation>
    </message>
    <message>
        <source>%1: 空いているソケット名がありません</source>
        <translation>%1: no free socket name</translation>
    </message>
</context>
</TS>
