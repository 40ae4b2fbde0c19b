#include "render/RenderOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "display/ViewGeometry.h"
#include "text/translated_text.h"

namespace orvenna {

namespace {

bool parse_int(const std::string& text, int* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -2147483647L || v > 2147483647L) return false;
    *value = static_cast<int>(v);
    return true;
}

bool parse_number(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v == v) || v > 1e300 || v < -1e300) return false;
    *value = v;
    return true;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool parse_letter(const std::string& text, char* letter) {
    if (text.size() != 1) return false;
    char c = text[0];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c < 'a' || c > 'z') return false;
    *letter = c;
    return true;
}

bool parse_preset(const std::string& text, std::optional<PresetRequest>* preset) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const std::string kind = text.substr(0, colon), args = text.substr(colon + 1);
    const auto parts = split(args, ',');
    char a = 0, b = 0;
    if (kind == "ndvi") {
        if (parts.size() != 2 || !parse_letter(parts[0], &a) || !parse_letter(parts[1], &b)) return false;
        *preset = PresetRequest::ndvi(a - 'a', b - 'a');
        return true;
    }
    if (kind == "thermography") {
        if (args.empty()) return false;
        *preset = PresetRequest::thermography(args);
        return true;
    }
    if (kind == "landsat") {
        int low = 0, high = 0;
        if (parts.size() != 3 || !parse_letter(parts[0], &a) || !parse_int(parts[1], &low) ||
            !parse_int(parts[2], &high) || !(low < high))
            return false;
        *preset = PresetRequest::landsatTemperature(a - 'a', low, high);
        return true;
    }
    return false;
}

bool parse_range(const std::string& text, RangeRequest* range) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || !parse_letter(text.substr(0, equals), &range->letter)) return false;
    const std::string value = text.substr(equals + 1);
    if (value == "auto") {
        range->kind = RangeRequest::Automatic;
        return true;
    }
    if (value == "full") {
        range->kind = RangeRequest::Full;
        return true;
    }
    // LOW:HIGH; a minus sign may lead either bound.
    const size_t colon = value.find(':');
    range->kind = RangeRequest::Values;
    return colon != std::string::npos && parse_number(value.substr(0, colon), &range->low) &&
           parse_number(value.substr(colon + 1), &range->high) && range->low < range->high;
}

bool parse_window(const std::string& text, RenderOptions* options) {
    const auto parts = split(text, ',');
    return parts.size() == 4 && parse_int(parts[0], &options->window_x) &&
           parse_int(parts[1], &options->window_y) && parse_int(parts[2], &options->window_width) &&
           parse_int(parts[3], &options->window_height) && options->window_x >= 0 && options->window_y >= 0 &&
           options->window_width > 0 && options->window_height > 0;
}

}  // namespace

bool parse_render_options(int argc, const char* const* argv, RenderOptions* options, std::string* error) {
    *options = RenderOptions{};
    auto bad = [&](const std::string& message) {
        *error = message;
        return false;
    };
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        // Options that take a value take the next argument.
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "-q") {
            options->quiet = true;
        } else if (arg == "--legend") {
            options->legend = true;
        } else if (arg == "--no-auto-range") {
            options->eight_bit_auto_range = false;
        } else if (arg == "-r" || arg == "-g" || arg == "-b") {
            if (!value(&v)) return bad(fill_text(tr_text("Render", "%1 には式が必要です"), {arg}));
            (arg == "-r" ? options->red : arg == "-g" ? options->green : options->blue) = v;
        } else if (arg == "--preset") {
            if (!value(&v) || !parse_preset(v, &options->preset))
                return bad(tr_text(
                    "Render",
                    "--preset は ndvi:赤,近赤外 / thermography:式 / landsat:バンド,最低,最高 のどれかです"));
        } else if (arg == "--range") {
            RangeRequest range;
            if (!value(&v) || !parse_range(v, &range))
                return bad(
                    tr_text("Render", "--range は 文字=下:上 / 文字=auto / 文字=full の形です (下 < 上)"));
            options->ranges.push_back(range);
        } else if (arg == "--step") {
            if (!value(&v) || !parse_int(v, &options->step) || options->step < kMinZoomStep ||
                options->step > kMaxZoomStep)
                return bad(tr_text("Render", "--step は 0 (32倍) から 10 (1/32) までの整数です (5 が等倍)"));
        } else if (arg == "--window") {
            if (!value(&v) || !parse_window(v, options))
                return bad(
                    tr_text("Render", "--window は X,Y,幅,高さ です (X, Y は 0 以上、幅と高さは 1 以上)"));
            options->has_window = true;
        } else if (arg == "--threads") {
            if (!value(&v) || !parse_int(v, &options->threads) || options->threads < 1)
                return bad(tr_text("Render", "--threads は 1 以上の整数です"));
        } else if (arg == "--subdataset") {
            if (!value(&v) || v.empty())
                return bad(tr_text("Render", "--subdataset にはサブデータセットの名前が必要です"));
            options->subdatasets.push_back(v);
        } else if (arg == "-o") {
            if (!value(&options->output)) return bad(tr_text("Render", "-o には出力ファイル名が必要です"));
        } else if (arg.size() > 1 && arg[0] == '-') {
            return bad(tr_text("Render", "知らないオプションです: ") + arg);
        } else {
            options->files.push_back(arg);
        }
    }
    if (options->help) return true;
    if (options->output.empty()) return bad(tr_text("Render", "出力ファイルを -o で指定してください"));
    if (options->files.empty()) return bad(tr_text("Render", "入力ファイルを指定してください"));
    return true;
}

std::string render_usage() {
    return tr_text(
        "Render",
        "使い方: orvenna-render [オプション] -o 出力ファイル 入力ファイル...\n"
        "\n"
        "衛星データのバンドをビューアと同じ読み方で開き、ビューアと同じ再描画で合成した画像を\n"
        "ファイルに書きます。画面は要りません。\n"
        "\n"
        "  -r 式, -g 式, -b 式   赤・緑・青の式 (省略時は a)。a は表示範囲で 0..255 にした値、\n"
        "                       #a はファイルの値 (例: -r '(#b - #a) / (#b + #a) * 128 + 128')\n"
        "  --preset ndvi:赤,近赤外          NDVI (例: ndvi:c,d)\n"
        "  --preset thermography:式         サーモグラフィ風 (例: thermography:d)\n"
        "  --preset landsat:バンド,最低,最高  LANDSAT温度分布 (例: landsat:f,0,40。温度は℃)\n"
        "  --legend             プリセットの凡例 (色と値) を右下に描く\n"
        "  --range 文字=下:上   バンドの表示範囲 (例: --range a=5000:30000)\n"
        "  --range 文字=auto    自動 (開いたときと同じ除去比率 0.00085)\n"
        "  --range 文字=full    バンドの最小値から最大値まで\n"
        "  --no-auto-range      8 ビットのバンドを 0..255 で開く "
        "(ビューアの「開いたときに自動範囲」を外したとき)\n"
        "  --step N             倍率の段階 0 (32倍) .. 5 (等倍) .. 10 (1/32)。既定は 5\n"
        "  --window X,Y,W,H     シーンの一部 (ピクセル) だけを描く。既定はシーン全体\n"
        "  --threads N          使うコア数 (既定はすべて)\n"
        "  --subdataset 名前    NetCDF / HDF などのサブデータセット (変数) を開く。繰り返せる。\n"
        "                       サブデータセットを複数持つファイルには必須 (無いときは名前を一覧する)\n"
        "  -o 出力ファイル      .png .tif .bmp .jpg (.tif は位置情報付きの GeoTIFF)\n"
        "  -q                   進み具合を表示しない\n"
        "  --help               この説明\n"
        "\n"
        "終了コード: 0 書けた / 2 引数の誤り / 3 入力を開けない / 4 式の誤り / 5 出力を書けない\n"
        "\n"
        "例: orvenna-render --preset ndvi:c,d -o ndvi.tif IMG-01 IMG-02 IMG-03 IMG-04\n");
}

}  // namespace orvenna
