// Evaluation speed of channel expressions: the tree walk and the compiled program side by side, on the
// texts a redraw evaluates most. Band cells cycle through 256 pixel values like a line of a scene;
// scratch cells carry over from pixel to pixel as during a redraw.
#include <benchmark/benchmark.h>

#include <string>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"

namespace {

const char* const kThermoRed =
    "( w = ( a ) ), ( w < ( 255 / 5 * 4 ) )if( x = 0 ), ( w > ( 255 / 5 * 4 ) )if( x = 255 ), ( ( w < ( 255 "
    "/ 5 * 4 ) "
    ") * ( w > ( 255 / 5 * 3 ) ) )if( x = 255 * ( ( w - ( 255 / 5 * 3 ) ) / ( 255 / 5 ) ) ), x";

const char* const kLandsatRed =
    "( v = c - 1 ), ( v < 0 )if( v = 0 ), ( w = 1282.71 / ( ln( 666.09 / ( ( v ) * ( 17.040001 - 0.000000 ) "
    "/ ( 255.0 "
    "- 1.0 ) + 0.000000 ) + 1 ) ) - 273.15 - 0 ), ( w < ( 45 / 5 * 4 ) )if( x = 0 ), ( w >= ( 45 / 5 * 4 ) "
    ")if( x = "
    "255 ), ( ( w < ( 45 / 5 * 4 ) ) * ( w >= ( 45 / 5 * 3 ) ) )if( x = 255 * ( ( w - ( 45 / 5 * 3 ) ) / ( "
    "45 / 5 ) ) "
    "), x";

const char* text_of(int which) {
    switch (which) {
        case 0:
            return "a";
        case 1:
            return "( d - c ) / ( d + c ) * 128 + 128";
        case 2:
            return kThermoRed;
        default:
            return kLandsatRed;
    }
}

struct Pixels {
    double cells[26] = {};
    LetterCells p;
    Pixels() {
        for (int i = 0; i < 26; ++i)
            p[i] = &cells[i];
    }
    void load(unsigned i) {
        for (int band = 0; band < 4; ++band)
            cells[band] = static_cast<double>((i * (band * 2 + 7) + band * 31) & 255);
    }
};

void set_labels(benchmark::State& state, int which, EcalcProgram& program) {
    Pixels px;
    size_t executed = 0;
    for (unsigned i = 0; i < 256; ++i) {
        px.load(i);
        executed += program.executed_operations(px.p, 0.0);
    }
    state.counters["ops_per_eval"] = static_cast<double>(executed) / 256.0;
    state.counters["program_size"] = static_cast<double>(program.operation_count());
    static const char* const kNames[] = {"a", "ndvi", "thermo_red", "landsat_red"};
    state.SetLabel(kNames[which]);
}

void BM_TreeWalk(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    CalcExpr* tree = ecalc_compile(text_of(which));
    Pixels px;
    unsigned i = 0;
    double sum = 0;
    for (auto _ : state) {
        px.load(i++);
        sum += ecalc_evaluate(tree, px.p, 0.0);
    }
    benchmark::DoNotOptimize(sum);
    EcalcProgram program(tree);
    set_labels(state, which, program);
    ecalc_free(tree);
}

void BM_Program(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    CalcExpr* tree = ecalc_compile(text_of(which));
    EcalcProgram program(tree);
    ecalc_free(tree);
    Pixels px;
    unsigned i = 0;
    double sum = 0;
    for (auto _ : state) {
        px.load(i++);
        sum += program.evaluate(px.p, 0.0);
    }
    benchmark::DoNotOptimize(sum);
    set_labels(state, which, program);
}

// Compilation of a preset text (tokenise, reduce, build the program), done three times per redraw.
void BM_CompileLandsat(benchmark::State& state) {
    for (auto _ : state) {
        CalcExpr* tree = ecalc_compile(kLandsatRed);
        EcalcProgram program(tree);
        benchmark::DoNotOptimize(program.operation_count());
        ecalc_free(tree);
    }
}

BENCHMARK(BM_TreeWalk)->DenseRange(0, 3);
BENCHMARK(BM_Program)->DenseRange(0, 3);
BENCHMARK(BM_CompileLandsat);

}  // namespace

BENCHMARK_MAIN();
