// bench_selection: how the selection checks grow with the selection. A chain of N atoms (N-1 bonds), a
// reactant of a one-step reaction, is selected whole in the stand-in drawing host; every check runs through
// IDispatch as with a real host. The peer, measured in the same run, is one pass over the selected atoms
// reading each one's ID: the cost of N host calls. IsPartialSelection scans the selection once per bond end
// and per bond of each atom, so its ratio to the peer grows with N; AnalyzeVelmoraSelection is linear in
// the selection. Each figure is the median of several runs.
#include "webservice/Selection.h"

#include "refhost/application.h"
#include "refhost/chem/Synthetic.h"
#include "refhost/drawing.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& stop)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(stop.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median milliseconds of one run.
double Milliseconds(int runs, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int index = 0; index < runs; ++index) {
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        run();
        QueryPerformanceCounter(&stop);
        times.push_back(Seconds(start, stop) * 1e3);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    std::printf("%6s %14s %14s %14s %12s %12s\n", "atoms", "peer ms", "partial ms", "analyze ms", "partial/peer",
                "analyze/peer");
    for (int atoms : {10, 100, 1000, 10000}) {
        auto host = refhost::Host::Create("Velmora 19.0", 0x10000);
        host->MainWindow().activeDocument = refhost::DrawingDocument::Open(refhost::chem::MakeChainsDocument(atoms), nullptr);
        Application application(host->Application().Detach());
        IVelmoraDocument document = application.ActiveDocument<IVelmoraDocument>();
        IVelmoraSelection selection = document.Selection();
        const int runs = atoms >= 10000 ? 5 : 11;

        long sum = 0;
        double peer = Milliseconds(runs, [&] {
            IVelmoraAtoms selected = selection.Atoms();
            const long count = selected.Count();
            for (long index = 1; index <= count; ++index)
                sum += selected.Item(index).ID();
        });
        bool partial = true;
        double partialTime = Milliseconds(runs, [&] { partial = IsPartialSelection(selection); });
        VelmoraSelectionType type = SelectionExact;
        double analyzeTime = Milliseconds(runs, [&] { type = AnalyzeVelmoraSelection(document); });
        if (partial || type != SelectionReactants || sum == 0)
            std::fprintf(stderr, "bench_selection: unexpected answer for %d atoms\n", atoms);
        std::printf("%6d %14.3f %14.3f %14.3f %12.1f %12.1f\n", atoms, peer, partialTime, analyzeTime,
                    partialTime / peer, analyzeTime / peer);
    }
    return 0;
}
