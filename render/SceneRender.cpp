#include "render/SceneRender.h"
#include "text/translated_text.h"

#include <vector>

namespace orvenna {

OutputGeoreference SceneGeoreference(const Document& document, const ViewGeometry& g) {
    OutputGeoreference geo;
    // Output pixel (i, j) shows scene pixel (first + i / s) for magnification s, (first + i * F) reduced.
    const double perPixel = g.magnifying() ? 1.0 / g.factor : g.factor;
    if (const SceneHandle* scene = document.georeferencedScene()) {
        double transform[6];
        std::vector<char> wkt(1 << 16);
        if (remos_scene_transform(scene->get(), transform, wkt.data(), static_cast<int>(wkt.size()))) {
            geo.has_transform = true;
            geo.crs_wkt = wkt.data();
            geo.transform[0] = transform[0] + transform[1] * g.first_column + transform[2] * g.first_line;
            geo.transform[3] = transform[3] + transform[4] * g.first_column + transform[5] * g.first_line;
            geo.transform[1] = transform[1] * perPixel;
            geo.transform[2] = transform[2] * perPixel;
            geo.transform[4] = transform[4] * perPixel;
            geo.transform[5] = transform[5] * perPixel;
            return geo;
        }
    }
    const SceneMetadataState& m = document.metadata();
    if (!m.geo_valid) return geo;
    // The corners are the centres of the scene's corner pixels.
    const double right = document.width() - 1, bottom = document.height() - 1;
    const double corners[4][4] = {{0, 0, m.corners.ul_lon, m.corners.ul_lat},
                                  {right, 0, m.corners.ur_lon, m.corners.ur_lat},
                                  {0, bottom, m.corners.ll_lon, m.corners.ll_lat},
                                  {right, bottom, m.corners.lr_lon, m.corners.lr_lat}};
    for (int i = 0; i < 4; ++i) {
        OutputGeoreference::ControlPoint& p = geo.control_points[i];
        p.pixel = (corners[i][0] + 0.5 - g.first_column) / perPixel;
        p.line = (corners[i][1] + 0.5 - g.first_line) / perPixel;
        p.lon = corners[i][2];
        p.lat = corners[i][3];
    }
    geo.control_point_count = 4;
    return geo;
}

void SceneRender::takeLegend(LegendPicture picture) {
    legend = std::move(picture);
    request.legend = legend.empty() ? nullptr : &legend;
}

bool SceneRender::write(const std::string& path, std::string* error) const {
    std::unique_ptr<PictureWriter> writer = make_picture_writer(path, georeference, grey);
    if (!writer) {
        *error = tr_text("Render", "出力ファイルは .png .tif .bmp .jpg のどれかにしてください: ") + path;
        return false;
    }
    return RenderPicture(request, *writer, error);
}

std::string ExpressionsProblem(const Document& document) {
    static const char* const channelNames[3] = {TR_TEXT_NOOP("Render", "赤"), TR_TEXT_NOOP("Render", "緑"),
                                                TR_TEXT_NOOP("Render", "青")};
    for (int c = 0; c < 3; ++c)
        if (!document.expression(c).compiles())
            return fill_text(tr_text("Render", "%1の式: %2"),
                             {tr_text("Render", channelNames[c]), document.expression(c).problem()});
    return std::string();
}

std::unique_ptr<SceneRender> PrepareSceneRender(const Document& document, const ViewGeometry& geometry,
                                                int threads) {
    auto render = std::make_unique<SceneRender>();
    render->scene = document.redrawScene();
    render->georeference = SceneGeoreference(document, geometry);
    RenderRequest& request = render->request;
    request.rows = render->scene.rows.data();
    request.rowCount = static_cast<int>(render->scene.rows.size());
    request.expressions = render->scene.compositeExpressions();
    request.geometry = geometry;
    request.threads = threads;
    render->grey = document.expression(0).text() == document.expression(1).text() &&
                   document.expression(1).text() == document.expression(2).text() &&
                   !ExpressionAssignsLetters(request.expressions.red);
    return render;
}

}  // namespace orvenna
