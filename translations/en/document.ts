<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Opening</name>
    <message>
        <source>を開けません</source>
        <translation>cannot be opened</translation>
    </message>
    <message>
        <source>はパスが長すぎるため開けません</source>
        <translation>cannot be opened: its path is too long</translation>
    </message>
    <message>
        <source>画像を読み込めません</source>
        <translation>the picture cannot be read</translation>
    </message>
    <message>
        <source>画像の大きさが違うバンド同士は同時に開けません</source>
        <translation>bands of pictures of different sizes cannot be opened together</translation>
    </message>
    <message>
        <source>は重ねて表示できません</source>
        <translation>cannot be placed on the scene</translation>
    </message>
    <message>
        <source>バンドが多すぎます (%1 バンド、1 回に開けるのは %2 まで)</source>
        <translation>too many bands (%1 bands; at most %2 can be opened at once)</translation>
    </message>
    <message>
        <source>この形式のファイルは大きさの違うバンドと重ねられません</source>
        <translation>files of this format cannot be placed with bands of another size</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>not enough memory</translation>
    </message>
    <message>
        <source>サブデータセット &quot;%1&quot; はありません (%2)</source>
        <translation>no subdataset &quot;%1&quot; (%2)</translation>
    </message>
</context>
<context>
    <name>Presets</name>
    <message>
        <source>バンド %1 がありません</source>
        <translation>there is no band %1</translation>
    </message>
    <message>
        <source>%1 バンド%2</source>
        <translation>%1 band %2</translation>
    </message>
    <message>
        <source>%1 の熱赤外の定数 (RADIANCE_MULT_BAND_%2, RADIANCE_ADD_BAND_%2, K1_CONSTANT_BAND_%2, K2_CONSTANT_BAND_%2) が *_MTL.txt では使えない値のため、温度を計算できません。</source>
        <translation>The temperature cannot be computed: the thermal constants of %1 (RADIANCE_MULT_BAND_%2, RADIANCE_ADD_BAND_%2, K1_CONSTANT_BAND_%2, K2_CONSTANT_BAND_%2) in *_MTL.txt are not usable values.</translation>
    </message>
    <message>
        <source>%1 の熱赤外の定数 (RADIANCE_MULT_BAND_%2, RADIANCE_ADD_BAND_%2, K1_CONSTANT_BAND_%2, K2_CONSTANT_BAND_%2) が *_MTL.txt にないため、温度を計算できません。</source>
        <translation>The temperature cannot be computed: *_MTL.txt does not give the thermal constants of %1 (RADIANCE_MULT_BAND_%2, RADIANCE_ADD_BAND_%2, K1_CONSTANT_BAND_%2, K2_CONSTANT_BAND_%2).</translation>
    </message>
    <message>
        <source>最小温度 %1℃ から最大温度 %2℃ の範囲では %3 の値に直せません。</source>
        <translation>The range from %1 ℃ to %2 ℃ cannot be expressed in the values of %3.</translation>
    </message>
    <message>
        <source>LANDSAT の熱赤外の校正値 (*.met / *_MTL.txt) が見つかりません</source>
        <translation>The Landsat thermal calibration (*.met / *_MTL.txt) is not found</translation>
    </message>
</context>
</TS>
