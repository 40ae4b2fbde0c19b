<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>PresetTexts</name>
    <message>
        <source>LMAX と LMIN が数ではありません: 温度を計算できません</source>
        <translation>LMAX and LMIN are not numbers: cannot compute the temperature</translation>
    </message>
    <message>
        <source>LMAX と LMIN が同じです (%1): 温度を計算できません</source>
        <translation>LMAX and LMIN are equal (%1): cannot compute the temperature</translation>
    </message>
    <message>
        <source>LMAX (%1) が LMIN (%2) より小さいです: 温度を計算できません</source>
        <translation>LMAX (%1) is less than LMIN (%2): cannot compute the temperature</translation>
    </message>
</context>
</TS>
