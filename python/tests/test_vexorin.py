"""The Python module against the command line: the same records, the same
report, the same checks of the options; the DataFrame, the shape map and the
histogram. The program is $VEXORIN_PROGRAM, else build/vexorin."""

import glob
import json
import os
import subprocess
from pathlib import Path

import pytest

import vexorin

ROOT = Path(__file__).resolve().parents[2]
PROGRAM = os.environ.get("VEXORIN_PROGRAM", str(ROOT / "build" / "vexorin"))
SHARED = ROOT.parent / "shared" / "realdata"
EXAMPLE = str(ROOT / "examples" / "ni_square_planar.cif")


def run(*args):
    if not os.path.exists(PROGRAM):
        pytest.skip(f"no program at {PROGRAM}")
    done = subprocess.run([PROGRAM, *args], capture_output=True, text=True, encoding="utf-8",
                          errors="surrogateescape")
    return done.returncode, done.stdout


def survey_files():
    """The real files beside the project, else those committed with it."""
    if SHARED.is_dir():
        patterns = [SHARED / "cif" / "*.cif", SHARED / "shelx" / "*.res", SHARED / "xyz" / "*.xyz"]
    else:
        real = ROOT / "tests" / "data" / "real"
        patterns = [real / "cif" / "*.cif", real / "shelx" / "*.res", real / "xyz" / "*.xyz",
                    ROOT / "examples" / "*"]
    return sorted(f for pattern in patterns for f in glob.glob(str(pattern)))


@pytest.mark.parametrize("options,args", [({}, []), ({"shapes": "all"}, ["--shapes=all"]),
                                          ({"sphere": "radii", "tol": 0.5},
                                           ["--sphere=radii", "--tol=0.5"])])
def test_every_survey_record_equals_the_json_line_of_the_command_line(options, args):
    files = survey_files()
    status, out = run("--all", *files, "--format=json", *args)
    expected = [json.loads(line) for line in out.splitlines()]
    records = vexorin.survey(files, **options)
    assert len(records) == len(expected) > 10
    for record, line in zip(records, expected):
        assert record == line
    assert (status == 2) == any("error" in record for record in records)


def test_analyse_gives_the_record_of_the_named_centre_and_report_the_report():
    record = vexorin.analyse(EXAMPLE, "Ni1", shapes="SP-4,T-4")
    _, out = run(EXAMPLE, "Ni1", "--shapes=SP-4,T-4", "--format=json")
    assert record == json.loads(out)
    assert record["tau4"] == pytest.approx(0.1108, abs=5e-5)
    named = vexorin.analyse(EXAMPLE, "Ni1", ["Cl1", "Cl2", "P1", "P2"], calc=True)
    _, out = run(EXAMPLE, "Ni1", "Cl1", "Cl2", "P1", "P2", "--calc", "--format=json")
    assert named == json.loads(out)
    _, text = run(EXAMPLE, "Ni1", "--shapes=all")
    assert vexorin.report(EXAMPLE, "Ni1", shapes="all") == text


@pytest.mark.parametrize("call,message", [
    (lambda: vexorin.analyse(EXAMPLE, "Xx1"), 'central atom "Xx1" not found in data block'),
    (lambda: vexorin.analyse("/no/such/file.cif", "Ni1"), "file not found: /no/such/file.cif"),
    (lambda: vexorin.analyse(EXAMPLE, "Ni1", ["Cl1"]), "exactly 4 (tau4) or 5 (tau5) ligands"),
    (lambda: vexorin.report(EXAMPLE, "Ni1", tol="abc"), "invalid value for --tol: abc"),
    (lambda: vexorin.analyse(EXAMPLE, "Ni1", sphere="bonds"), "invalid value for --sphere: bonds"),
    (lambda: vexorin.analyse(EXAMPLE, "Ni1", out="x.txt"), "unknown option: --out"),
    (lambda: vexorin.analyse(EXAMPLE, "Ni1", elements="Ni"), "unknown option: --elements"),
    (lambda: vexorin.survey([EXAMPLE], shapes="XX-9"), "unknown shape"),
    (lambda: vexorin.survey([EXAMPLE], elements="Qq"), "unknown element in --elements: Qq"),
    (lambda: vexorin.shape_path("SP-4", "OC-6"), "different CN"),
])
def test_errors_raise_the_programs_message(call, message):
    with pytest.raises(vexorin.Error, match=message.replace("(", r"\(").replace(")", r"\)")) as error:
        call()
    assert isinstance(error.value, ValueError)


def test_a_survey_gives_error_records_and_does_not_raise_for_a_bad_file(tmp_path):
    broken = tmp_path / "broken.cif"
    broken.write_text("data_x\n_cell_length_a 'unterminated\n")
    records = vexorin.survey([EXAMPLE, str(tmp_path / "missing.cif"), str(broken)])
    assert records[0]["centre"] == "Ni1" and "error" not in records[0]
    assert records[1]["error"].startswith("file not found:")
    assert "error" in records[2]


def test_the_data_frame_has_the_columns_of_the_csv():
    pandas = pytest.importorskip("pandas")
    for options, args in (({}, []), ({"shapes": "all"}, ["--shapes=all"])):
        records = vexorin.survey([EXAMPLE, "/no/such.cif"], **options)
        table = vexorin.frame(records)
        _, csv = run("--all", EXAMPLE, "/no/such.cif", "--format=csv", *args)
        assert list(table.columns) == csv.splitlines()[0].split(",")
        assert len(table) == 2
        assert table["tau4"][0] == pytest.approx(records[0]["tau4"], rel=1e-12)
        assert pandas.isna(table["tau4"][1])


def test_the_shape_path_runs_from_zero_to_the_measure_of_the_two_shapes():
    path = vexorin.shape_path("SP-4", "T-4", n=101)
    assert len(path) == 101
    assert path[0][0] == 0 and path[-1][1] == 0
    assert path[0][1] == pytest.approx(33.333, abs=5e-4)
    assert path[-1][0] == pytest.approx(33.333, abs=5e-4)


def test_the_shape_map_and_the_histogram_draw_to_a_png(tmp_path):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    files = survey_files() + [EXAMPLE]
    records = vexorin.survey(files, shapes="SP-4,T-4")
    ax = vexorin.shape_map(records, "SP-4", "T-4")
    curve = ax.get_lines()[0]
    assert curve.get_xdata()[0] == 0 and curve.get_xdata()[-1] == pytest.approx(33.333, abs=5e-4)
    centres = [r for r in records if (r.get("cshm") or {}).get("SP-4")]
    assert ax.get_legend_handles_labels()[1][-1] == f"{len(centres)} centres"
    png = tmp_path / "map.png"
    ax.figure.savefig(png)
    assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
    plt.close(ax.figure)
    ax = vexorin.tau_histogram(records, "tau4")
    assert sum(patch.get_height() for patch in ax.patches) == sum(
        1 for r in records if r.get("tau4") is not None)
    plt.close(ax.figure)
    with pytest.raises(vexorin.Error):
        vexorin.tau_histogram(records, "tau6")


def test_the_module_has_the_programs_version_and_documents_its_functions():
    _, out = run("--version")
    assert out.strip() == "vexorin " + vexorin.__version__
    for name in vexorin.__all__:
        if name not in ("__version__",):
            assert getattr(vexorin, name).__doc__, name
