<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>BandRowWidget</name>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>下</source>
        <translation>Lo</translation>
    </message>
    <message>
        <source>上</source>
        <translation>Hi</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>27番目以降のバンドには式の文字がありません</source>
        <translation>Bands after the 26th have no letter for expressions</translation>
    </message>
    <message>
        <source>下限 (値の範囲 %1 .. %2)</source>
        <translation>Lower bound (value range %1 .. %2)</translation>
    </message>
    <message>
        <source>上限 (値の範囲 %1 .. %2)</source>
        <translation>Upper bound (value range %1 .. %2)</translation>
    </message>
    <message>
        <source>ヒストグラム計算中 %1%</source>
        <translation>Computing histogram %1%</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>衛星データを開く</source>
        <translation>Open satellite data</translation>
    </message>
    <message>
        <source>画像を保存</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>衛星データを閉じる</source>
        <translation>Close satellite data</translation>
    </message>
    <message>
        <source>バンドリストを表示/非表示</source>
        <translation>Show/hide the band list</translation>
    </message>
    <message>
        <source>画面を更新する</source>
        <translation>Update the view</translation>
    </message>
    <message>
        <source>他のビューアを同期させる</source>
        <translation>Sync other viewers</translation>
    </message>
    <message>
        <source>左上へ</source>
        <translation>Move window to top left</translation>
    </message>
    <message>
        <source>右上ヘ</source>
        <translation>Move window to top right</translation>
    </message>
    <message>
        <source>左下へ</source>
        <translation>Move window to bottom left</translation>
    </message>
    <message>
        <source>右下へ</source>
        <translation>Move window to bottom right</translation>
    </message>
    <message>
        <source>上へ</source>
        <translation>Move window to top</translation>
    </message>
    <message>
        <source>下へ</source>
        <translation>Move window to bottom</translation>
    </message>
    <message>
        <source>左へ</source>
        <translation>Move window to left</translation>
    </message>
    <message>
        <source>右へ</source>
        <translation>Move window to right</translation>
    </message>
    <message>
        <source>拡大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>倍率変更</source>
        <translation>Change magnification</translation>
    </message>
    <message>
        <source>縮小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>ファイル読み込み時にヒストグラムを計算する</source>
        <translation>Compute histograms when opening files</translation>
    </message>
    <message>
        <source>滑らかにスクロールさせる（高負荷）</source>
        <translation>Smooth scrolling (heavy load)</translation>
    </message>
    <message>
        <source>自動レンジ設定で0と255を除く</source>
        <translation>Exclude 0 and 255 from auto range</translation>
    </message>
    <message>
        <source>ヒストグラム表示の最大値から0と255を除く</source>
        <translation>Exclude 0 and 255 from histogram peak</translation>
    </message>
    <message>
        <source>開いたときに自動範囲</source>
        <translation>Auto range on opening</translation>
    </message>
    <message>
        <source>自動レンジ設定時の上下除去比率</source>
        <translation>Auto range clip ratio</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>R</translation>
    </message>
    <message>
        <source>緑</source>
        <translation>G</translation>
    </message>
    <message>
        <source>青</source>
        <translation>B</translation>
    </message>
    <message>
        <source>画面上の赤の式</source>
        <translation>Expression for the red channel</translation>
    </message>
    <message>
        <source>画面上の緑の式</source>
        <translation>Expression for the green channel</translation>
    </message>
    <message>
        <source>画面上の青の式</source>
        <translation>Expression for the blue channel</translation>
    </message>
    <message>
        <source>式で処理</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>式を使って画像を処理する</source>
        <translation>Process the image with expressions</translation>
    </message>
    <message>
        <source>再描画</source>
        <translation>Redraw</translation>
    </message>
    <message>
        <source>画面を書き直す</source>
        <translation>Redraw the view</translation>
    </message>
    <message>
        <source>NDVI(&amp;N)</source>
        <translation>&amp;NDVI</translation>
    </message>
    <message>
        <source>サーモグラフィ風(&amp;T)</source>
        <translation>&amp;Thermography Style</translation>
    </message>
    <message>
        <source>LANDSAT温度分布(&amp;L)</source>
        <translation>&amp;LANDSAT Temperature</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>URL を開く(&amp;U)...</source>
        <translation>Open &amp;URL...</translation>
    </message>
    <message>
        <source>最近開いたもの(&amp;R)</source>
        <translation>Open &amp;Recent</translation>
    </message>
    <message>
        <source>履歴を消す(&amp;F)</source>
        <translation>&amp;Clear History</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>すべて閉じる(&amp;C)</source>
        <translation>&amp;Close All</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツールバー(&amp;B)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>バンドリスト(&amp;B)</source>
        <translation>&amp;Band List</translation>
    </message>
    <message>
        <source>ズーム(&amp;Z)</source>
        <translation>&amp;Zoom Bar</translation>
    </message>
    <message>
        <source>ステータスバー(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>凡例(&amp;L)</source>
        <translation>&amp;Legend</translation>
    </message>
    <message>
        <source>設定(&amp;C)</source>
        <translation>Sett&amp;ings</translation>
    </message>
    <message>
        <source>ウィンドウ(&amp;W)</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>左上へ(&amp;0)</source>
        <translation>Top L&amp;eft</translation>
    </message>
    <message>
        <source>右上へ(&amp;1)</source>
        <translation>Top Ri&amp;ght</translation>
    </message>
    <message>
        <source>左下へ(&amp;2)</source>
        <translation>Bottom Le&amp;ft</translation>
    </message>
    <message>
        <source>右下へ(&amp;3)</source>
        <translation>Bottom Rig&amp;ht</translation>
    </message>
    <message>
        <source>上へ(&amp;T)</source>
        <translation>&amp;Top</translation>
    </message>
    <message>
        <source>下へ(&amp;B)</source>
        <translation>&amp;Bottom</translation>
    </message>
    <message>
        <source>左へ(&amp;L)</source>
        <translation>&amp;Left</translation>
    </message>
    <message>
        <source>右へ(&amp;R)</source>
        <translation>&amp;Right</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <comment>the menu</comment>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン情報(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>簡易ヘルプ(&amp;H)</source>
        <translation>&amp;Quick Help</translation>
    </message>
    <message>
        <source>読み込みを中止しました。中止できなかったファイルは開いていません</source>
        <translation>Loading stopped. Files whose reading could not be stopped were not opened.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; の一部が読めないため 0 として表示しています: %2</source>
        <translation>Part of &quot;%1&quot; cannot be read and is shown as 0: %2</translation>
    </message>
    <message>
        <source>ヒストグラムが作成されていません。作成しますか？</source>
        <translation>No histogram has been computed. Compute it now?</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>&apos;%1&apos; は正しい数値ではありません</source>
        <translation>&apos;%1&apos; is not a valid number</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>ビットマップ (*.bmp);;PNG (*.png);;JPEG (*.jpg);;TIFF (*.tif)</source>
        <translation>Bitmap (*.bmp);;PNG (*.png);;JPEG (*.jpg);;TIFF (*.tif)</translation>
    </message>
    <message>
        <source>まだ何も描画されていないため、保存する画像がありません</source>
        <translation>Nothing has been drawn yet, so there is no image to save.</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>&quot;%1&quot; に保存できません: %2</source>
        <translation>Cannot save &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>描画中</source>
        <translation>Drawing</translation>
    </message>
    <message>
        <source>描画を中止しました。画像は途中までです</source>
        <translation>Drawing stopped. The image is incomplete.</translation>
    </message>
    <message>
        <source>言語(&amp;G)</source>
        <translation>Lan&amp;guage</translation>
    </message>
    <message>
        <source>表示の言語は次に起動したときから切り替わります。</source>
        <translation>The interface language will change the next time Orvenna starts.</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>経度, 緯度 :  %1, %2</source>
        <translation>Lon, Lat :  %1, %2</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>すべて (*);;BILファイル (*.bil);;BSQファイル (*.bsq)</source>
        <translation>All files (*);;BIL files (*.bil);;BSQ files (*.bsq)</translation>
    </message>
    <message>
        <source>サーバー上の画像ファイルの URL (http://, https://, s3://, gs://, az://):</source>
        <translation>URL of an image file on a server (http://, https://, s3://, gs://, az://):</translation>
    </message>
    <message>
        <source>URL を開く</source>
        <translation>Open URL</translation>
    </message>
    <message>
        <source>&quot;%1&quot;
は開ける URL ではありません: http://, https://, s3://, gs://, az:// で始まる URL を入力してください</source>
        <translation>&quot;%1&quot;
This URL cannot be opened: enter a URL starting with http://, https://, s3://, gs:// or az://.</translation>
    </message>
    <message>
        <source>失敗</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>画像を読み込んでいます...</source>
        <translation>Loading image...</translation>
    </message>
    <message>
        <source>ファイルサイズが100MBを超えているためヒストグラム作成に時間がかかる可能性があります。
ヒストグラムを作成しますか？</source>
        <translation>The file is larger than 100 MB, so computing its histogram may take a long time.
Compute the histogram?</translation>
    </message>
    <message>
        <source>識別失敗</source>
        <translation>Unknown Format</translation>
    </message>
    <message>
        <source>%1 は大きすぎるため読みません (16MB まで)</source>
        <translation>%1 is too large and was not read (limit 16 MB)</translation>
    </message>
    <message>
        <source>縦 : %1 横 : %2</source>
        <translation>Size: %2 x %1</translation>
    </message>
    <message>
        <source>座標設定有効 LANDSAT温度設定有効</source>
        <translation>Coordinates and LANDSAT temperature available</translation>
    </message>
    <message>
        <source>座標設定有効</source>
        <translation>Coordinates available</translation>
    </message>
    <message>
        <source>LANDSAT温度設定有効</source>
        <translation>LANDSAT temperature available</translation>
    </message>
    <message>
        <source>設定ファイル無効</source>
        <translation>No usable metadata</translation>
    </message>
    <message>
        <source> (他 %1)</source>
        <translation> (+%1 more)</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(None)</translation>
    </message>
    <message>
        <source>座標値 : ( R, G, B ) = ( %1, %2, %3 )</source>
        <translation>Pixel (R, G, B) = (%1, %2, %3)</translation>
    </message>
    <message>
        <source>経度 %1, 緯度 %2</source>
        <translation>Lon %1, Lat %2</translation>
    </message>
    <message>
        <source>範囲外</source>
        <translation>Outside the scene</translation>
    </message>
    <message>
        <source>経度, 緯度 : %1, %2</source>
        <translation>Lon, Lat : %1, %2</translation>
    </message>
    <message>
        <source> (反射率 %1)</source>
        <translation> (reflectance %1)</translation>
    </message>
    <message>
        <source>読み込み中</source>
        <translation>Loading</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Fit to window</translation>
    </message>
    <message>
        <source>全体表示(&amp;F)</source>
        <translation>&amp;Fit to Window</translation>
    </message>
    <message>
        <source>再描画(&amp;R)</source>
        <translation>&amp;Redraw</translation>
    </message>
    <message>
        <source>操作と式の説明(&amp;G)</source>
        <translation>&amp;Guide to Controls and Expressions</translation>
    </message>
    <message>
        <source>シーン全体を書き出す(&amp;E)...</source>
        <translation>&amp;Export Scene...</translation>
    </message>
    <message>
        <source>前の保存がまだ終わっていません</source>
        <translation>The previous save has not finished yet</translation>
    </message>
    <message>
        <source>表示範囲にシーンがないため、保存する画像がありません</source>
        <translation>There is no picture to save: the view shows no part of the scene</translation>
    </message>
    <message>
        <source>書き出すシーンがありません。先にファイルを開いてください</source>
        <translation>There is no scene to export. Open files first</translation>
    </message>
    <message>
        <source>この範囲と倍率では画像が空になるか、1 辺 %1 ピクセルを超えるため書き出せません</source>
        <translation>Cannot export: with this area and magnification the picture is empty or longer than %1 pixels a side</translation>
    </message>
</context>
<context>
    <name>PictureExport</name>
    <message>
        <source>書き出し中: %1</source>
        <translation>Exporting: %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; に保存できません: %2</source>
        <translation>Cannot save &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>SyncController</name>
    <message>
        <source>他のビューアとの同期は使えません: %1</source>
        <translation>Syncing with other viewers is not available: %1</translation>
    </message>
</context>
</TS>
