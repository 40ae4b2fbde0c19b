<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Render</name>
    <message>
        <source>%1 には式が必要です</source>
        <translation>%1 needs an expression</translation>
    </message>
    <message>
        <source>--preset は ndvi:赤,近赤外 / thermography:式 / landsat:バンド,最低,最高 のどれかです</source>
        <translation>--preset is one of ndvi:RED,NIR / thermography:EXPR / landsat:BAND,LOW,HIGH</translation>
    </message>
    <message>
        <source>--range は 文字=下:上 / 文字=auto / 文字=full の形です (下 &lt; 上)</source>
        <translation>--range takes the form LETTER=LOW:HIGH / LETTER=auto / LETTER=full (LOW &lt; HIGH)</translation>
    </message>
    <message>
        <source>--step は 0 (32倍) から 10 (1/32) までの整数です (5 が等倍)</source>
        <translation>--step is a whole number from 0 (32x) to 10 (1/32) (5 is 1:1)</translation>
    </message>
    <message>
        <source>--window は X,Y,幅,高さ です (X, Y は 0 以上、幅と高さは 1 以上)</source>
        <translation>--window is X,Y,WIDTH,HEIGHT (X and Y at least 0, width and height at least 1)</translation>
    </message>
    <message>
        <source>--threads は 1 以上の整数です</source>
        <translation>--threads is a whole number of at least 1</translation>
    </message>
    <message>
        <source>--subdataset にはサブデータセットの名前が必要です</source>
        <translation>--subdataset needs the name of a subdataset</translation>
    </message>
    <message>
        <source>-o には出力ファイル名が必要です</source>
        <translation>-o needs the name of the output file</translation>
    </message>
    <message>
        <source>知らないオプションです: </source>
        <translation>unknown option: </translation>
    </message>
    <message>
        <source>出力ファイルを -o で指定してください</source>
        <translation>name the output file with -o</translation>
    </message>
    <message>
        <source>入力ファイルを指定してください</source>
        <translation>name the input files</translation>
    </message>
    <message>
        <source>使い方: orvenna-render [オプション] -o 出力ファイル 入力ファイル...

衛星データのバンドをビューアと同じ読み方で開き、ビューアと同じ再描画で合成した画像を
ファイルに書きます。画面は要りません。

  -r 式, -g 式, -b 式   赤・緑・青の式 (省略時は a)。a は表示範囲で 0..255 にした値、
                       #a はファイルの値 (例: -r &apos;(#b - #a) / (#b + #a) * 128 + 128&apos;)
  --preset ndvi:赤,近赤外          NDVI (例: ndvi:c,d)
  --preset thermography:式         サーモグラフィ風 (例: thermography:d)
  --preset landsat:バンド,最低,最高  LANDSAT温度分布 (例: landsat:f,0,40。温度は℃)
  --legend             プリセットの凡例 (色と値) を右下に描く
  --range 文字=下:上   バンドの表示範囲 (例: --range a=5000:30000)
  --range 文字=auto    自動 (開いたときと同じ除去比率 0.00085)
  --range 文字=full    バンドの最小値から最大値まで
  --no-auto-range      8 ビットのバンドを 0..255 で開く (ビューアの「開いたときに自動範囲」を外したとき)
  --step N             倍率の段階 0 (32倍) .. 5 (等倍) .. 10 (1/32)。既定は 5
  --window X,Y,W,H     シーンの一部 (ピクセル) だけを描く。既定はシーン全体
  --threads N          使うコア数 (既定はすべて)
  --subdataset 名前    NetCDF / HDF などのサブデータセット (変数) を開く。繰り返せる。
                       サブデータセットを複数持つファイルには必須 (無いときは名前を一覧する)
  -o 出力ファイル      .png .tif .bmp .jpg (.tif は位置情報付きの GeoTIFF)
  -q                   進み具合を表示しない
  --help               この説明

終了コード: 0 書けた / 2 引数の誤り / 3 入力を開けない / 4 式の誤り / 5 出力を書けない

例: orvenna-render --preset ndvi:c,d -o ndvi.tif IMG-01 IMG-02 IMG-03 IMG-04
</source>
        <translation>Usage: orvenna-render [options] -o OUTPUT INPUT...

Opens the bands of satellite data as the viewer reads them and writes the picture composed by the viewer&apos;s
redraw to a file. No display is needed.

  -r EXPR, -g EXPR, -b EXPR   red, green and blue expressions (a when left out). a is the value scaled to
                       0..255 by the display range, #a the file&apos;s value
                       (e.g. -r &apos;(#b - #a) / (#b + #a) * 128 + 128&apos;)
  --preset ndvi:RED,NIR             NDVI (e.g. ndvi:c,d)
  --preset thermography:EXPR        thermography style (e.g. thermography:d)
  --preset landsat:BAND,LOW,HIGH    Landsat temperature (e.g. landsat:f,0,40; temperatures in ℃)
  --legend             draw the preset&apos;s legend (colours and values) in the bottom-right corner
  --range L=LOW:HIGH   a band&apos;s display range (e.g. --range a=5000:30000)
  --range L=auto       automatic (the same clipping ratio 0.00085 as at opening)
  --range L=full       from the band&apos;s minimum to its maximum
  --no-auto-range      open 8-bit bands at 0..255 (as the viewer with &quot;Automatic range at opening&quot; off)
  --step N             magnification step 0 (32x) .. 5 (1:1) .. 10 (1/32); default 5
  --window X,Y,W,H     draw only part of the scene (pixels); default the whole scene
  --threads N          cores to use (default all)
  --subdataset NAME    open a subdataset (variable) of a NetCDF / HDF file; may be repeated.
                       Required for files with several subdatasets (without it their names are listed)
  -o OUTPUT            .png .tif .bmp .jpg (.tif is a georeferenced GeoTIFF)
  -q                   do not show progress
  --help               this help

Exit codes: 0 written / 2 bad arguments / 3 an input cannot be opened / 4 bad expression / 5 the output cannot be written

Example: orvenna-render --preset ndvi:c,d -o ndvi.tif IMG-01 IMG-02 IMG-03 IMG-04
</translation>
    </message>
    <message>
        <source>&quot;%1&quot; はサブデータセットを複数持っています。--subdataset で選んでください: %2</source>
        <translation>&quot;%1&quot; holds several subdatasets; choose with --subdataset: %2</translation>
    </message>
    <message>
        <source>--range: バンド %1 がありません</source>
        <translation>--range: there is no band %1</translation>
    </message>
    <message>
        <source>--range: 8ビットのバンド %1 の範囲は 0..255 です</source>
        <translation>--range: the range of the 8-bit band %1 is 0..255</translation>
    </message>
    <message>
        <source>出力ファイルは .png .tif .bmp .jpg のどれかにしてください: </source>
        <translation>the output file must be .png, .tif, .bmp or .jpg: </translation>
    </message>
    <message>
        <source>開けるバンドがありません</source>
        <translation>no band can be opened</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>青</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>%1の式: %2</source>
        <translation>%1 expression: %2</translation>
    </message>
    <message>
        <source>凡例はプリセットの式のときだけ描きます</source>
        <translation>the legend is drawn only for the expressions of a preset</translation>
    </message>
    <message>
        <source>&quot;%1&quot; を書けません: %2</source>
        <translation>cannot write &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>画像が大きすぎて BMP に書けません (%1 x %2)</source>
        <translation>the picture is too large for BMP (%1 x %2)</translation>
    </message>
    <message>
        <source>PNG を書く準備ができません</source>
        <translation>cannot prepare to write the PNG</translation>
    </message>
    <message>
        <source>PNG を書けません: </source>
        <translation>cannot write the PNG: </translation>
    </message>
    <message>
        <source>画像が大きすぎて JPEG に書けません (65500 x 65500 まで)</source>
        <translation>the picture is too large for JPEG (at most 65500 x 65500)</translation>
    </message>
    <message>
        <source>JPEG を書けません: </source>
        <translation>cannot write the JPEG: </translation>
    </message>
    <message>
        <source>GeoTIFF を書くドライバがありません</source>
        <translation>no driver to write GeoTIFF</translation>
    </message>
    <message>
        <source>GDAL のエラー</source>
        <translation>GDAL error</translation>
    </message>
    <message>
        <source>--window と --step では描くピクセルがありません</source>
        <translation>--window and --step leave no pixel to draw</translation>
    </message>
    <message>
        <source>描く画像が大きすぎます (%1 x %2 ピクセル、1 辺 %3 まで。--window か --step で小さくしてください)</source>
        <translation>the picture is too large (%1 x %2 pixels, at most %3 a side; make it smaller with --window or --step)</translation>
    </message>
    <message>
        <source>描画のスレッドを作れません</source>
        <translation>cannot start the drawing threads</translation>
    </message>
</context>
</TS>
