<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>GdalScene</name>
    <message>
        <source>&quot;%1&quot; を開けません</source>
        <translation>Cannot open &quot;%1&quot;</translation>
    </message>
    <message>
        <source>VRT が自分自身を参照しています: &quot;%1&quot;</source>
        <translation>The VRT refers to itself: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>VRT の入れ子が深すぎます</source>
        <translation>VRTs are nested too deeply</translation>
    </message>
    <message>
        <source>VRT が大きすぎます (%1 まで)</source>
        <translation>The VRT is too large (%1 at most)</translation>
    </message>
    <message>
        <source>VRT を読めません: %1</source>
        <translation>Cannot read the VRT: %1</translation>
    </message>
    <message>
        <source>生データを指す VRT のバンド (VRTRawRasterBand) は開きません: GDAL がデータファイルを書き込みできる状態で開くため</source>
        <translation>VRT bands of raw data (VRTRawRasterBand) are not opened: GDAL would open their data files for writing</translation>
    </message>
    <message>
        <source>VRT の参照先 &quot;%1&quot;: %2</source>
        <translation>VRT source &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>名前がありません</source>
        <translation>No name</translation>
    </message>
    <message>
        <source>ネットワーク上のファイルは参照できません</source>
        <translation>Files on the network cannot be used as sources</translation>
    </message>
    <message>
        <source>GDAL の仮想ファイルは参照できません</source>
        <translation>GDAL virtual files cannot be used as sources</translation>
    </message>
    <message>
        <source>ファイルの名前ではありません</source>
        <translation>Not a file name</translation>
    </message>
    <message>
        <source>VRT の参照先が多すぎます (%1 まで)</source>
        <translation>The VRT has too many sources (%1 at most)</translation>
    </message>
    <message>
        <source>開けません</source>
        <translation>Cannot open</translation>
    </message>
    <message>
        <source>システムのファイルは読みません</source>
        <translation>System files are not read</translation>
    </message>
    <message>
        <source>バンドが多すぎます (%1 バンド、%2 まで)</source>
        <translation>Too many bands (%1 bands, %2 at most)</translation>
    </message>
    <message>
        <source>展開すると %1 になるため開けません (%2 まで)</source>
        <translation>Too large to open: %1 when decoded (%2 at most)</translation>
    </message>
    <message>
        <source>ブロックが大きすぎます (%1、%2 まで)</source>
        <translation>The blocks are too large (%1, %2 at most)</translation>
    </message>
    <message>
        <source>ラスタバンドがありません</source>
        <translation>No raster bands</translation>
    </message>
    <message>
        <source>画像の大きさが 0 です</source>
        <translation>The image size is 0</translation>
    </message>
    <message>
        <source>バンド %1 を読めません</source>
        <translation>Cannot read band %1</translation>
    </message>
    <message>
        <source>複素数のサンプル (%1) は表示できません</source>
        <translation>Complex samples (%1) cannot be shown</translation>
    </message>
    <message>
        <source>サンプル型 %1 は表示できません</source>
        <translation>Sample type %1 cannot be shown</translation>
    </message>
    <message>
        <source>バンドのサンプル型が揃っていません (%1 と %2)</source>
        <translation>The bands have different sample types (%1 and %2)</translation>
    </message>
    <message>
        <source>バンドの大きさが揃っていません</source>
        <translation>The bands have different sizes</translation>
    </message>
    <message>
        <source>サーバーにファイルがありません (HTTP 404)</source>
        <translation>The file is not on the server (HTTP 404)</translation>
    </message>
    <message>
        <source>サーバーが時間内に応答しません (%1)</source>
        <translation>The server did not answer in time (%1)</translation>
    </message>
    <message>
        <source>サーバーから読めません</source>
        <translation>Cannot read from the server</translation>
    </message>
    <message>
        <source>サーバーから読めません: %1</source>
        <translation>Cannot read from the server: %1</translation>
    </message>
    <message>
        <source>ブロックを復号できませんでした</source>
        <translation>A block could not be decoded</translation>
    </message>
    <message>
        <source>GDAL が読める形式ではありません</source>
        <translation>Not a format GDAL can read</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>Not enough memory</translation>
    </message>
</context>
<context>
    <name>PictureFiles</name>
    <message>
        <source>画像が大きすぎます (%1 x %2)</source>
        <translation>The picture is too large (%1 x %2)</translation>
    </message>
    <message>
        <source>画像のためのメモリが足りません (%1 x %2)</source>
        <translation>Not enough memory for the picture (%1 x %2)</translation>
    </message>
    <message>
        <source>ビットマップではありません</source>
        <translation>Not a bitmap</translation>
    </message>
    <message>
        <source>ビットマップのヘッダーが壊れています</source>
        <translation>The bitmap header is damaged</translation>
    </message>
    <message>
        <source>このビットマップの圧縮形式には対応していません</source>
        <translation>This bitmap compression is not supported</translation>
    </message>
    <message>
        <source>ビットマップのデータが途中で終わっています</source>
        <translation>The bitmap data is cut short</translation>
    </message>
    <message>
        <source>ビットマップを読めません</source>
        <translation>Cannot read the bitmap</translation>
    </message>
    <message>
        <source>JPEG の復号に失敗しました: %1</source>
        <translation>Could not decode the JPEG: %1</translation>
    </message>
    <message>
        <source>JPEG のデータが大きさ (%1 x %2) に対して短すぎます</source>
        <translation>The JPEG data is too short for its size (%1 x %2)</translation>
    </message>
    <message>
        <source>JPEG の色形式に対応していません</source>
        <translation>This JPEG colour format is not supported</translation>
    </message>
    <message>
        <source>JPEG のデータが壊れています: %1</source>
        <translation>The JPEG data is damaged: %1</translation>
    </message>
    <message>
        <source>JPEG のデータが途中で終わっています</source>
        <translation>The JPEG data is cut short</translation>
    </message>
    <message>
        <source>ファイルを開けません: %1</source>
        <translation>Cannot open the file: %1</translation>
    </message>
</context>
<context>
    <name>Scene</name>
    <message>
        <source>読めません</source>
        <translation>Unreadable</translation>
    </message>
    <message>
        <source>TIFF ですが読めません: %1</source>
        <translation>is a TIFF file but cannot be read: %1</translation>
    </message>
    <message>
        <source>は表示できません: %1</source>
        <translation>cannot be shown: %1</translation>
    </message>
    <message>
        <source>は不明な衛星データ形式です</source>
        <translation>is not in a known satellite data format</translation>
    </message>
</context>
<context>
    <name>SceneGrid</name>
    <message>
        <source>大きさが 0 です</source>
        <translation>The size is 0</translation>
    </message>
    <message>
        <source>大きさ %1 が格子 %2 の整数分の 1 ではなく、重ねる位置を決める地理情報もありません</source>
        <translation>The size %1 does not divide the grid %2 evenly, and there is no georeferencing to place it by</translation>
    </message>
    <message>
        <source>GDAL で読めないため格子に重ねられません</source>
        <translation>Cannot be placed on the grid: GDAL cannot read it</translation>
    </message>
    <message>
        <source>格子 %1 が大きすぎて重ねられません</source>
        <translation>The grid %1 is too large to place bands on</translation>
    </message>
    <message>
        <source>範囲が格子と重なりません</source>
        <translation>The extent does not overlap the grid</translation>
    </message>
    <message>
        <source>回転した格子には別の座標系のバンドを重ねられません</source>
        <translation>Bands in another coordinate system cannot be placed on a rotated grid</translation>
    </message>
    <message>
        <source>座標系を格子の座標系に変換できません</source>
        <translation>The coordinate system cannot be converted to the grid&apos;s</translation>
    </message>
    <message>
        <source>格子に投影し直せません: %1</source>
        <translation>Cannot reproject onto the grid: %1</translation>
    </message>
</context>
<context>
    <name>SceneHandle</name>
    <message>
        <source>TIFF のディレクトリがありません</source>
        <translation>The TIFF file has no directories</translation>
    </message>
    <message>
        <source>TIFF ではありません</source>
        <translation>Not a TIFF file</translation>
    </message>
    <message>
        <source>設定ファイルを読めません</source>
        <translation>Cannot read the configuration file</translation>
    </message>
</context>
<context>
    <name>SceneMetadata</name>
    <message>
        <source>数ではない値があります</source>
        <translation>Some values are not numbers</translation>
    </message>
    <message>
        <source>緯度 %1 は ±90 を越えています</source>
        <translation>Latitude %1 is beyond ±90</translation>
    </message>
    <message>
        <source>経度 %1 は ±180 を越えています</source>
        <translation>Longitude %1 is beyond ±180</translation>
    </message>
    <message>
        <source>&quot;%1&quot; の隅の座標は使いません: %2</source>
        <translation>The corner coordinates in &quot;%1&quot; are not used: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; のLMAX/LMIN は使いません: 数ではない値があります</source>
        <translation>LMAX/LMIN in &quot;%1&quot; are not used: some values are not numbers</translation>
    </message>
    <message>
        <source>&quot;%1&quot; の反射率の定数は使いません: 数ではない値があります</source>
        <translation>The reflectance constants in &quot;%1&quot; are not used: some values are not numbers</translation>
    </message>
    <message>
        <source>&quot;%1&quot; の熱赤外の定数は使いません: 数ではない値があります</source>
        <translation>The thermal infrared constants in &quot;%1&quot; are not used: some values are not numbers</translation>
    </message>
</context>
<context>
    <name>Subdatasets</name>
    <message>
        <source>サブデータセットを持つファイルではありません</source>
        <translation>The file has no subdatasets</translation>
    </message>
    <message>
        <source>サブデータセット &quot;%1&quot; はありません (%2)</source>
        <translation>There is no subdataset &quot;%1&quot; (there are %2)</translation>
    </message>
    <message>
        <source>サブデータセットを開けません</source>
        <translation>Cannot open the subdataset</translation>
    </message>
</context>
<context>
    <name>SystemErrors</name>
    <message>
        <source>ファイルがありません</source>
        <translation>No such file</translation>
    </message>
    <message>
        <source>許可されていません</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>デバイスに空き領域がありません</source>
        <translation>No space left on the device</translation>
    </message>
    <message>
        <source>ディスク使用量の上限を超えました</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>読み込み専用のファイルシステムです</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>フォルダです</source>
        <translation>Is a folder</translation>
    </message>
    <message>
        <source>パスの途中がフォルダではありません</source>
        <translation>A part of the path is not a folder</translation>
    </message>
    <message>
        <source>名前が長すぎます</source>
        <translation>Name too long</translation>
    </message>
    <message>
        <source>シンボリックリンクが多すぎます</source>
        <translation>Too many symbolic links</translation>
    </message>
    <message>
        <source>入出力エラーです</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>開いているファイルが多すぎます</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>メモリが足りません</source>
        <translation>Not enough memory</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>Not a regular file</translation>
    </message>
    <message>
        <source>名前付きパイプです</source>
        <translation>Is a named pipe</translation>
    </message>
    <message>
        <source>デバイスです</source>
        <translation>Is a device</translation>
    </message>
    <message>
        <source>ソケットです</source>
        <translation>Is a socket</translation>
    </message>
</context>
<context>
    <name>TiffBlocks</name>
    <message>
        <source>BigTIFF のヘッダーが壊れています</source>
        <translation>The BigTIFF header is damaged</translation>
    </message>
    <message>
        <source>ディレクトリがファイルの外にあります</source>
        <translation>A directory lies outside the file</translation>
    </message>
    <message>
        <source>TIFF が壊れています: %1</source>
        <translation>The TIFF file is damaged: %1</translation>
    </message>
    <message>
        <source> (画像 %1)</source>
        <translation> (image %1)</translation>
    </message>
    <message>
        <source>ブロックの位置と長さの数が違います%1</source>
        <translation>The numbers of block offsets and lengths differ%1</translation>
    </message>
    <message>
        <source>ブロックの表がファイルの外にあります%1</source>
        <translation>The block table lies outside the file%1</translation>
    </message>
    <message>
        <source>ファイルが途中で切れています: ブロック %1%2 は %3 から %4 バイトですが、ファイルは %5 バイトです</source>
        <translation>The file is cut short: block %1%2 takes %4 bytes from byte %3, but the file has %5 bytes</translation>
    </message>
    <message>
        <source>ファイルが途中で切れています: ブロック %1%2 は %3 バイトしかありません (画像の大きさ %4 x %5 では %6 バイト)</source>
        <translation>The file is cut short: block %1%2 has only %3 bytes (%6 bytes for an image of %4 x %5)</translation>
    </message>
</context>
</TS>
