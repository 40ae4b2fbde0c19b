// Metadata texts beside the scenes: an ALOS product summary and a Landsat level-1 metadata file.
#include <cstdio>
#include <string>

#include "tools/samples/metadata_writer.h"
#include "tools/samples/output_file.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

bool write_text(const std::string& path, const std::string& text, std::string* error) {
    OutputFile out(path);
    out.write(text.data(), text.size());
    return out.close(error);
}

}  // namespace

std::string alos_summary_text(int width, int height) {
    const Corners& c = kAlosCorners;
    std::string t;
    auto put = [&t](const char* key, const std::string& value) {
        t += std::string(key) + "=\"" + value + "\"\n";
    };
    put("Scs_SceneID", "ALAV2A000000DEMO");
    put("Scs_SceneShift", "0");
    put("Pds_ProductID", "O1B2R_UB");
    put("Pds_ProcessingLevel", "1B2");
    put("Pds_ResamplingMethod", "NN");
    put("Lbi_Satellite", "ALOS");
    put("Lbi_Sensor", "AVNIR-2");
    put("Lbi_ObservationDate", "20070615");
    put("Lbi_PathNo", "059");
    put("Lbi_CenterFrameNo", "0700");
    put("Img_SceneCenterDateTime", "20070615 01:37:21.184");
    put("Img_ImageSceneCenterLatitude", fixed((c.ul_lat + c.ur_lat + c.ll_lat + c.lr_lat) / 4, 4));
    put("Img_ImageSceneCenterLongitude", fixed((c.ul_lon + c.ur_lon + c.ll_lon + c.lr_lon) / 4, 4));
    put("Img_ImageSceneLeftTopLatitude", fixed(c.ul_lat, 4));
    put("Img_ImageSceneLeftTopLongitude", fixed(c.ul_lon, 4));
    put("Img_ImageSceneRightTopLatitude", fixed(c.ur_lat, 4));
    put("Img_ImageSceneRightTopLongitude", fixed(c.ur_lon, 4));
    put("Img_ImageSceneLeftBottomLatitude", fixed(c.ll_lat, 4));
    put("Img_ImageSceneLeftBottomLongitude", fixed(c.ll_lon, 4));
    put("Img_ImageSceneRightBottomLatitude", fixed(c.lr_lat, 4));
    put("Img_ImageSceneRightBottomLongitude", fixed(c.lr_lon, 4));
    put("Img_SunAzimuth", "118.5");
    put("Img_SunElevation", "71.2");
    put("Pdi_ProductFormat", "CEOS");
    put("Pdi_CntOfImageFiles", "4");
    put("Pdi_ImageFileName01", "IMG-01-DEMO-O1B2R");
    put("Pdi_ImageFileName02", "IMG-02-DEMO-O1B2R");
    put("Pdi_ImageFileName03", "IMG-03-DEMO-O1B2R");
    put("Pdi_ImageFileName04", "IMG-04-DEMO-O1B2R");
    put("Pdi_NoOfPixels", std::to_string(width));
    put("Pdi_NoOfLines", std::to_string(height));
    return t;
}

std::string landsat_met_text(int width, int height) {
    const Corners& c = kLandsatCorners;
    std::string t;
    int depth = 0;
    auto line = [&](const std::string& s) { t += std::string(size_t(depth) * 2, ' ') + s + "\n"; };
    auto put = [&](const char* key, const std::string& value) { line(std::string(key) + " = " + value); };
    auto group = [&](const char* name) {
        put("GROUP", name);
        ++depth;
    };
    auto end_group = [&](const char* name) {
        --depth;
        put("END_GROUP", name);
    };
    group("L1_METADATA_FILE");
    group("METADATA_FILE_INFO");
    put("ORIGIN", "\"Image courtesy of the Orvenna sample writer\"");
    put("REQUEST_ID", "\"0000000000000_00000\"");
    put("PRODUCT_CREATION_TIME", "2011-10-25T05:14:51Z");
    put("STATION_ID", "\"EDC\"");
    end_group("METADATA_FILE_INFO");
    group("PRODUCT_METADATA");
    put("PRODUCT_TYPE", "\"L1T\"");
    put("SPACECRAFT_ID", "\"Landsat7\"");
    put("SENSOR_ID", "\"ETM+\"");
    put("ACQUISITION_DATE", "2010-08-15");
    put("SCENE_CENTER_SCAN_TIME", "01:23:45.6789012Z");
    put("WRS_PATH", "107");
    put("STARTING_ROW", "35");
    put("ENDING_ROW", "35");
    put("PRODUCT_UL_CORNER_LAT", fixed(c.ul_lat, 7));
    put("PRODUCT_UL_CORNER_LON", fixed(c.ul_lon, 7));
    put("PRODUCT_UR_CORNER_LAT", fixed(c.ur_lat, 7));
    put("PRODUCT_UR_CORNER_LON", fixed(c.ur_lon, 7));
    put("PRODUCT_LL_CORNER_LAT", fixed(c.ll_lat, 7));
    put("PRODUCT_LL_CORNER_LON", fixed(c.ll_lon, 7));
    put("PRODUCT_LR_CORNER_LAT", fixed(c.lr_lat, 7));
    put("PRODUCT_LR_CORNER_LON", fixed(c.lr_lon, 7));
    put("PRODUCT_SAMPLES_REF", std::to_string(width));
    put("PRODUCT_LINES_REF", std::to_string(height));
    put("PRODUCT_SAMPLES_THM", std::to_string(width));
    put("PRODUCT_LINES_THM", std::to_string(height));
    put("BAND3_FILE_NAME", "\"L7DEMO_B30.tif\"");
    put("BAND4_FILE_NAME", "\"L7DEMO_B40.tif\"");
    put("BAND61_FILE_NAME", "\"L7DEMO_B61.tif\"");
    put("METADATA_L1_FILE_NAME", "\"L7DEMO_MTL.met\"");
    end_group("PRODUCT_METADATA");
    group("MIN_MAX_RADIANCE");
    put("LMAX_BAND3", "152.900");
    put("LMIN_BAND3", "-5.000");
    put("LMAX_BAND4", "241.100");
    put("LMIN_BAND4", "-5.100");
    put("LMAX_BAND61", fixed(kLandsatLmax61, 3));
    put("LMIN_BAND61", fixed(kLandsatLmin61, 3));
    end_group("MIN_MAX_RADIANCE");
    group("MIN_MAX_PIXEL_VALUE");
    put("QCALMAX_BAND61", "255.0");
    put("QCALMIN_BAND61", "1.0");
    end_group("MIN_MAX_PIXEL_VALUE");
    group("PROJECTION_PARAMETERS");
    put("REFERENCE_DATUM", "\"WGS84\"");
    put("MAP_PROJECTION", "\"EQR\"");
    put("ORIENTATION", "\"NUP\"");
    end_group("PROJECTION_PARAMETERS");
    end_group("L1_METADATA_FILE");
    line("END");
    return t;
}

bool write_alos_summary(const std::string& path, int width, int height, std::string* error) {
    return write_text(path, alos_summary_text(width, height), error);
}

bool write_landsat_met(const std::string& path, int width, int height, std::string* error) {
    return write_text(path, landsat_met_text(width, height), error);
}

}  // namespace samples
