<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>AboutDialog</name>
    <message>
        <source>バージョン情報</source>
        <translation>About Orvenna</translation>
    </message>
</context>
<context>
    <name>ExportDialog</name>
    <message>
        <source>シーン全体を書き出す</source>
        <translation>Export Scene</translation>
    </message>
    <message>
        <source>範囲</source>
        <translation>Area</translation>
    </message>
    <message>
        <source>シーン全体(&amp;W)</source>
        <translation>&amp;Whole scene</translation>
    </message>
    <message>
        <source>現在の表示範囲(&amp;V)</source>
        <translation>Current &amp;view</translation>
    </message>
    <message>
        <source>倍率(&amp;M)</source>
        <translation>&amp;Magnification</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>参照(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>書き出すファイル</source>
        <translation>File to Export</translation>
    </message>
    <message>
        <source>GeoTIFF (*.tif);;PNG (*.png);;JPEG (*.jpg)</source>
        <translation>GeoTIFF (*.tif);;PNG (*.png);;JPEG (*.jpg)</translation>
    </message>
    <message>
        <source>ファイル名の拡張子を .tif (GeoTIFF)、.png、.jpg のどれかにしてください</source>
        <translation>The file name must end in .tif (GeoTIFF), .png or .jpg</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>LandsatTemperatureDialog</name>
    <message>
        <source>LANDSAT温度分布</source>
        <translation>LANDSAT Temperature</translation>
    </message>
    <message>
        <source>ひとつのバンドを Landsat-7/ETM+ のバンド6-1とみな
し、温度分布をサーモグラフィとして作成します。

以下のひとつのバンドを選択し、LMAXとLMINが指定さ
れていなければ指定してください。
ただし、V, W, X, Y, Zは内部で計算用に使用しているの
で選択しないでください。</source>
        <extracomment>Lines are broken by hand to fit the box, which does not wrap.</extracomment>
        <translation>Takes one band as Landsat-7/ETM+ band 6-1 and
shows its temperatures as a thermography picture.

Choose one band below, and enter LMAX and LMIN
if they are not given.
Do not choose V, W, X, Y or Z: they are used
internally for the calculation.</translation>
    </message>
    <message>
        <source>対象</source>
        <translation>Band</translation>
    </message>
    <message>
        <source>最大温度(℃)</source>
        <translation>Max (°C)</translation>
    </message>
    <message>
        <source>最小温度(℃)</source>
        <translation>Min (°C)</translation>
    </message>
    <message>
        <source>実行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1 バンド%2</source>
        <translation>%1 band %2</translation>
    </message>
    <message>
        <source>定数: %1 (*_MTL.txt)</source>
        <translation>Constants: %1 (*_MTL.txt)</translation>
    </message>
    <message>
        <source>%1 の定数が使えない値です (*_MTL.txt)</source>
        <translation>Invalid constants: %1 (*_MTL.txt)</translation>
    </message>
    <message>
        <source>%1 の定数が *_MTL.txt にありません</source>
        <translation>No constants for %1 in *_MTL.txt</translation>
    </message>
    <message>
        <source>%1 の値「%2」は数値として読めません。数値を入力してください。</source>
        <translation>The %1 value &quot;%2&quot; is not a number. Enter a number.</translation>
    </message>
    <message>
        <source>失敗</source>
        <translation>Failed</translation>
    </message>
</context>
<context>
    <name>NdviPresetDialog</name>
    <message>
        <source>植物の元気具合を合成します。
白ければ白いほど、その部分の植物が元気であること
を表しています。

以下の２つのバンドを選択してください</source>
        <extracomment>Lines are broken by hand to fit the box, which does not wrap.</extracomment>
        <translation>Shows how healthy the vegetation is.
The whiter a part of the picture, the healthier
its vegetation.

Choose the two bands below.</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>近赤外</source>
        <translation>Near IR</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>OperationGuideWindow</name>
    <message>
        <source>■ マウス
左ボタンでドラッグ: 画像を動かす
ホイール: ポインタの位置を中心に拡大・縮小（1ノッチで1段階）
Shift + ホイール: 左右にスクロール&#x3000;&#x3000;Ctrl + ホイール: 上下にスクロール（画面の1/10）
右ボタン・中ボタン: 座標値ウィンドウをポインタの横に表示
左の「拡大」「縮小」ボタンと倍率スライダー、「全体表示」ボタン（シーン全体が入る倍率で中央に表示）
バンドのヒストグラム上でドラッグ: 左ボタンで下限、右ボタンで上限を設定</source>
        <translation>■ Mouse
Drag with the left button: move the image
Wheel: zoom in or out around the pointer (one step per notch)
Shift + wheel: scroll left and right    Ctrl + wheel: scroll up and down (1/10 of the view)
Right or middle button: show the pixel value window beside the pointer
On the left: the Zoom In and Zoom Out buttons, the zoom slider, and the Fit button (shows the whole scene, centred)
Drag on a band&apos;s histogram: the left button sets the lower limit, the right button the upper limit</translation>
    </message>
    <message>
        <source>■ キー（画像をクリックしてから）
矢印キー: 画面の1/8ずつ移動（Shift を押しながら: 画面1つ分）
+ / -: 画面の中央を中心に拡大・縮小&#x3000;&#x3000;Home: シーンを中央に表示</source>
        <translation>■ Keys (after clicking the image)
Arrow keys: move by 1/8 of the view (with Shift: by a whole view)
+ / -: zoom in or out around the centre of the view    Home: centre the scene</translation>
    </message>
    <message>
        <source>■ キー（ウィンドウのどこでも）
Ctrl+O: 開く&#x3000;&#x3000;Ctrl+S: 保存&#x3000;&#x3000;Ctrl+W: すべて閉じる&#x3000;&#x3000;F5: 再描画&#x3000;&#x3000;Ctrl+Q: 終了
Enter: 再描画&#x3000;&#x3000;Esc: 描画や読み込み中のヒストグラム計算を中止</source>
        <translation>■ Keys (anywhere in the window)
Ctrl+O: Open    Ctrl+S: Save    Ctrl+W: Close All    F5: Redraw    Ctrl+Q: Quit
Enter: redraw    Esc: stop drawing, or the histogram count while a scene loads</translation>
    </message>
    <message>
        <source>■ 式
赤・緑・青の式は画素ごとに計算され、0〜255 の値がその色の明るさになります。
書けない式は箱が黒くなり、どこがおかしいかがツールチップとステータスバーに出ます。</source>
        <translation>■ Expressions
The red, green and blue expressions are computed for every pixel; the value, 0 to 255, is that colour&apos;s brightness.
An expression with an error turns its box black; the tooltip and the status bar say what is wrong.</translation>
    </message>
    <message>
        <source>文字: a〜z はバンドリストの上から順のバンドの値を表示範囲で 0〜255 にしたもの（大文字も同じ）。
&#x3000;例: a&#x3000;&#x3000;（1番目のバンドをそのまま）
#文字: #a〜#z はファイルに入っているバンドの値そのもの（ファイルが倍率とオフセットを持つときはそれを当てた値）。
表示範囲には左右されません。値のない画素（値なしの値や NaN）は値のない画素の色になります。代入はできません。
&#x3000;例: #a / 100&#x3000;&#x3000;(#e - #d) / (#e + #d) * 128 + 128&#x3000;&#x3000;#d * 0.00002 - 0.1
バンドのない文字は自由に使える変数です。</source>
        <translation>Letters: a to z are the values of the bands in the band list, from the top, scaled to 0 to 255 by their display range (capitals are the same).
    Example: a    (the first band as it is)
#letter: #a to #z are the band values as stored in the file (with the file&apos;s scale and offset applied, if it has them).
They do not depend on the display range. Pixels without a value (the no-data value or NaN) take the no-data colour. They cannot be assigned to.
    Examples: #a / 100    (#e - #d) / (#e + #d) * 128 + 128    #d * 0.00002 - 0.1
Letters without a band are variables, free to use.</translation>
    </message>
    <message>
        <source>数: 10進数と16進数。
&#x3000;例: 2.5&#x3000;&#x3000;0xFF
演算子: + - * / と比較 &gt; &gt;= &lt; &lt;=（真は1、偽は0）。数や文字を並べると掛け算になります。
&#x3000;例: (b - a) / (b + a) * 128 + 128&#x3000;&#x3000;2a&#x3000;&#x3000;a &gt; 100
関数: SIN COS TAN ASIN ACOS ATAN LN LOG ROOT RAD DEG、定数 PI EPS0 ANS、べき乗 POW。
&#x3000;例: ROOT(a * b)&#x3000;&#x3000;LOG(a + 1) * 100&#x3000;&#x3000;a POW 2 / 255</source>
        <translation>Numbers: decimal and hexadecimal.
    Examples: 2.5    0xFF
Operators: + - * / and the comparisons &gt; &gt;= &lt; &lt;= (true is 1, false is 0). Numbers and letters written side by side are multiplied.
    Examples: (b - a) / (b + a) * 128 + 128    2a    a &gt; 100
Functions: SIN COS TAN ASIN ACOS ATAN LN LOG ROOT RAD DEG; constants PI EPS0 ANS; power POW.
    Examples: ROOT(a * b)    LOG(a + 1) * 100    a POW 2 / 255</translation>
    </message>
    <message>
        <source>代入: 文字 = 値。
&#x3000;例: w = a + b
並び: 「,」で区切った文を順に計算し、最後の値が結果になります。
&#x3000;例: (w = a + b), w / 2
IF: ( 条件 )if( 文 ) は条件が0でないときだけ文を計算します。
&#x3000;例: (x = 0), (a &gt; 128)if(x = 255), x
繰り返し: 回数 @ ( 文 ) は文を回数だけ計算します。
&#x3000;例: (x = 1), 3 @ (x = x * 2), x&#x3000;&#x3000;（x は 8）</source>
        <translation>Assignment: letter = value.
    Example: w = a + b
Sequence: statements separated by &quot;,&quot; are computed in turn; the last value is the result.
    Example: (w = a + b), w / 2
IF: ( condition )if( statement ) computes the statement only when the condition is not 0.
    Example: (x = 0), (a &gt; 128)if(x = 255), x
Repeat: count @ ( statement ) computes the statement count times.
    Example: (x = 1), 3 @ (x = x * 2), x    (x is 8)</translation>
    </message>
    <message>
        <source>■ 式で処理（プリセット）
「式で処理」ボタンから、3つの式をまとめて書きます。
NDVI: 近赤外と赤のバンドを選び、ファイルの値（LANDSAT の *_MTL.txt があれば大気上端の反射率）から植生指数を求め、-1〜1 を 0〜255 の明るさで表示します。
サーモグラフィ風: バンドか式を選び、値の低い方から青・緑・赤の色で表示します。
LANDSAT温度分布: LANDSAT の熱赤外バンドから地表の温度を求め、色で表示します。</source>
        <translation>■ Expression presets
The Presets button writes all three expressions at once.
NDVI: choose the near-infrared and red bands; the vegetation index is computed from the file&apos;s values (top-of-atmosphere reflectance when there is a LANDSAT *_MTL.txt) and -1 to 1 is shown as brightness 0 to 255.
Thermography Style: choose a band or an expression; values are shown in colour, from blue for low values through green to red for high ones.
LANDSAT Temperature: the ground temperature is computed from a LANDSAT thermal infrared band and shown in colour.</translation>
    </message>
    <message>
        <source>操作と式の説明</source>
        <translation>Controls and Expressions</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
</context>
<context>
    <name>PixelValueWindow</name>
    <message>
        <source>座標値</source>
        <translation>Pixel Values</translation>
    </message>
</context>
<context>
    <name>PresetDialog</name>
    <message>
        <source>失敗</source>
        <translation>Failed</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>処理中...しばらくお待ちください</source>
        <translation>Working... Please wait</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>QuickHelpWindow</name>
    <message>
        <source>■ 対応形式
ALOSのCEOS形式のデータに対応しています。
現在のところ、PRISM, AVNIR2のデータを読み込むことができます。
その他のデータも、一部読み込めることがありますが、基本的には上記のデータ専用です。
また、summary.txtから座標データを読み込めます。</source>
        <translation>■ Supported formats
ALOS data in CEOS format can be read.
At present, PRISM and AVNIR2 data can be read.
Some other data can be read in part, but the viewer is essentially meant for the data above.
Coordinates can also be read from summary.txt.</translation>
    </message>
    <message>
        <source>一部のTIFF形式の画像に対応しています。
GeoTIFFも読み込むことはできますが、座標等を表す情報は読み込まれません。
LANDSATのデータの場合、拡張子が「met」のテキストデータを読み込むLANDSATのデータと同じディレクトリ
に入れておくと自動的に読み込みます。
この時、ファイル内に「LMAX_BAND61」と「LMIN_BAND61」が存在すると、LANDSAT温度分布を利用すること
ができます。
LANDSATのデータによっては拡張子が「met」ではない場合があるので、その時は拡張子を「met」に書き換え
てください</source>
        <translation>Some TIFF images can be read.
GeoTIFF files can be read too, but their coordinates and other georeferencing information are not.
For LANDSAT data, a text file with the extension &quot;met&quot; is read automatically when it is in the same folder as the LANDSAT data being read.
If that file contains &quot;LMAX_BAND61&quot; and &quot;LMIN_BAND61&quot;, the LANDSAT Temperature preset can be used.
Some LANDSAT data come with a text file whose extension is not &quot;met&quot;; in that case, change its extension to &quot;met&quot;.</translation>
    </message>
    <message>
        <source>簡易ヘルプ</source>
        <translation>Quick Help</translation>
    </message>
    <message>
        <source>閉じる(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
</context>
<context>
    <name>SubdatasetDialog</name>
    <message>
        <source>サブデータセットの選択</source>
        <translation>Choose Subdatasets</translation>
    </message>
    <message>
        <source>&quot;%1&quot; の開くサブデータセットを選んでください (複数可):</source>
        <translation>Choose the subdatasets of &quot;%1&quot; to open (one or more):</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>大きさ</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>説明</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ThermographyPresetDialog</name>
    <message>
        <source>サーモグラフィー風</source>
        <translation>Thermography Style</translation>
    </message>
    <message>
        <source>ひとつのバンドをサーモグラフィー風に色合成します。
値が大きいほどその部分が赤に近づき、小さいほど黒
に近づきます。

以下のひとつのバンド、もしくは式を選択してください。
ただし、W, X, Y, Zは内部で計算用に使用しているので
選択や使用をしないでください。

（処理に若干の時間がかかります）</source>
        <extracomment>Lines are broken by hand to fit the box, which does not wrap.</extracomment>
        <translation>Colours one band like a thermography picture.
The higher a value, the nearer to red it is shown;
the lower, the nearer to black.

Choose one band or one expression below.
Do not choose or use W, X, Y or Z: they are used
internally for the calculation.

(This takes a little while.)</translation>
    </message>
    <message>
        <source>バンドに処理(&amp;B)</source>
        <translation>Apply to &amp;Band</translation>
    </message>
    <message>
        <source>対象</source>
        <translation>Band</translation>
    </message>
    <message>
        <source>式に処理(&amp;E)</source>
        <translation>Apply to &amp;Expression</translation>
    </message>
    <message>
        <source>式</source>
        <translation>Expr.</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
