// bench_selection: how the selection checks grow with the selection. A chain of N atoms (N-1 bonds), a
// reactant of a one-step reaction, is selected whole in the stand-in drawing host; every check runs through
// IDispatch as with a real host. Two peers are measured in the same run: one pass over the selected atoms
// reading each one's ID (N host calls), and the host reads the partial-selection check cannot do without
// (each bond's two atoms and their IDs, each atom's bonds and their IDs, each selected ID once) with no
// bookkeeping. Both checks should stay a constant multiple of the first peer from 10 to 10,000 atoms, and
// the partial-selection check close to the second. Each figure is the median of several runs.
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
    std::printf("%6s %10s %10s %10s %10s %13s %13s %13s\n", "atoms", "peer ms", "reads ms", "partial ms",
                "analyze ms", "partial/peer", "partial/reads", "analyze/peer");
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
        double reads = Milliseconds(runs, [&] {
            IVelmoraAtoms selectedAtoms = selection.Atoms();
            IVelmoraBonds selectedBonds = selection.Bonds();
            const long bondCount = selectedBonds.Count();
            for (long index = 1; index <= bondCount; ++index) {
                IVelmoraBond bond = selectedBonds.Item(index);
                sum += bond.Atom1().ID() + bond.Atom2().ID() + bond.ID();
            }
            const long atomCount = selectedAtoms.Count();
            for (long index = 1; index <= atomCount; ++index) {
                IVelmoraAtom atom = selectedAtoms.Item(index);
                sum += atom.ID();
                IVelmoraBonds atomBonds = atom.Bonds();
                const long atomBondCount = atomBonds.Count();
                for (long bondIndex = 1; bondIndex <= atomBondCount; ++bondIndex)
                    sum += atomBonds.Item(bondIndex).ID();
            }
        });
        bool partial = true;
        double partialTime = Milliseconds(runs, [&] { partial = IsPartialSelection(selection); });
        VelmoraSelectionType type = SelectionExact;
        double analyzeTime = Milliseconds(runs, [&] { type = AnalyzeVelmoraSelection(document); });
        if (partial || type != SelectionReactants || sum == 0)
            std::fprintf(stderr, "bench_selection: unexpected answer for %d atoms\n", atoms);
        std::printf("%6d %10.3f %10.3f %10.3f %10.3f %13.1f %13.2f %13.1f\n", atoms, peer, reads, partialTime,
                    analyzeTime, partialTime / peer, partialTime / reads, analyzeTime / peer);
    }
    return 0;
}
