<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Expression</name>
    <message>
        <source>式がありません</source>
        <translation>No expression</translation>
    </message>
    <message>
        <source>全角文字などは式に使えません</source>
        <translation>Full-width and other non-ASCII characters cannot be used in an expression</translation>
    </message>
    <message>
        <source>&apos;#&apos; の後にはバンドの文字 (a〜z) が必要です</source>
        <translation>&apos;#&apos; must be followed by a band letter (a-z)</translation>
    </message>
    <message>
        <source>%1 は式に使えない文字です</source>
        <translation>%1 cannot be used in an expression</translation>
    </message>
    <message>
        <source>数が長すぎます (63文字まで)</source>
        <translation>The number is too long (63 characters at most)</translation>
    </message>
    <message>
        <source>&apos;)&apos; が足りません</source>
        <translation>Missing &apos;)&apos;</translation>
    </message>
    <message>
        <source>&apos;)&apos; に対応する &apos;(&apos; がありません</source>
        <translation>&apos;)&apos; has no matching &apos;(&apos;</translation>
    </message>
    <message>
        <source>( ) の中が空です</source>
        <translation>Nothing between ( and )</translation>
    </message>
    <message>
        <source>%1 の前に値がありません</source>
        <translation>No value before %1</translation>
    </message>
    <message>
        <source>%1 の後に値がありません</source>
        <translation>No value after %1</translation>
    </message>
    <message>
        <source>数 %1 の前に演算子が必要です</source>
        <translation>An operator is needed before the number %1</translation>
    </message>
    <message>
        <source>%1 の後には値か ( ) が必要です</source>
        <translation>%1 must be followed by a value or ( )</translation>
    </message>
    <message>
        <source>%1 の前と後には値が必要です</source>
        <translation>%1 needs a value before and after it</translation>
    </message>
    <message>
        <source>&apos;@&apos; の右は ( ) で囲んでください</source>
        <translation>Put what follows &apos;@&apos; in ( )</translation>
    </message>
    <message>
        <source>&apos;=&apos; の左には1文字の変数だけを書けます</source>
        <translation>Only a one-letter variable can go to the left of &apos;=&apos;</translation>
    </message>
    <message>
        <source>ここから式として読めません</source>
        <translation>Cannot be read as an expression from here on</translation>
    </message>
    <message>
        <source>%1文字目: %2</source>
        <translation>Character %1: %2</translation>
    </message>
</context>
</TS>
