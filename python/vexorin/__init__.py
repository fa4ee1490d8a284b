"""vexorin: coordination geometry indices (tau4, tau4', tau5), continuous
shape measures and octahedral parameters with standard uncertainties, from
CIF, SHELX .res/.ins (with the .mat) and XYZ files.

The functions run the same analysis as the command line, in-process, and
give the same numbers: a record here equals the JSON record of
``vexorin --format=json`` for the same centre and options.

Options are keywords named as the command line's options and checked as it
checks them (a wrong name or value raises :class:`Error` with the
program's message)::

    tol=0.40        bond tolerance in Angstrom
    occ=0.5         minimum occupancy for the automatic search
    max=None        maximum search radius in Angstrom
    block=None      the data block of a CIF
    calc=False      compute every angle, ignore _geom_angle
    shapes=None     continuous shape measures: "all" or labels ("SP-4,T-4" or a list)
    sphere="chemical"  automatic ligands: "chemical" or "radii" (the bond rule only)
    xyznames="olex" naming of XYZ atoms: "olex", "position" or "element"
    elements=None   (survey only) centre elements, e.g. "Cu,Ni" or ["Cu", "Ni"]
"""

from . import _vexorin

__all__ = ["Error", "analyse", "survey", "report", "frame", "shape_map", "shape_path",
           "tau_histogram", "__version__"]

__version__ = _vexorin.version

Error = _vexorin.Error
Error.__doc__ = "A failure of the analysis, with the program's message (a ValueError)."

_CENTRE_OPTIONS = ("tol", "occ", "max", "block", "calc", "shapes", "sphere", "xyznames")
_SURVEY_OPTIONS = _CENTRE_OPTIONS + ("elements",)


class Record(dict):
    """One centre's record: the keys and values of its JSON record. It also
    keeps its CSV header and row, from which :func:`frame` builds its table."""

    __slots__ = ("csv_header", "csv_row")


def _record(values, csv_header, csv_row):
    record = Record(values)
    record.csv_header = csv_header
    record.csv_row = csv_row
    return record


def _option_arguments(options, allowed):
    """The keywords as command-line options, "--name=value"."""
    args = []
    for name, value in options.items():
        if name not in allowed:
            raise Error(f"unknown option: --{name}")
        if value is None or value is False:
            continue
        if value is True:
            args.append(f"--{name}")
            continue
        if isinstance(value, (list, tuple)):
            value = ",".join(str(item) for item in value)
        elif isinstance(value, float):
            value = repr(value)
        args.append(f"--{name}={value}")
    return args


def _ligand_arguments(ligands):
    if ligands is None:
        return []
    if isinstance(ligands, str):
        return [ligands]
    return [str(ligand) for ligand in ligands]


def analyse(path, centre, ligands=None, **options):
    """The record of one centre, as a dict with the keys of the JSON record
    (``None`` for null). Ligands: None for the automatic sphere, or the
    names (with site codes, "O1#2_655"; a centroid "Cg(C1+C2+C3+C4+C5)").
    Raises Error when the file, the centre or the analysis fails."""
    values, header, row = _vexorin.analyse(
        str(path), str(centre), _ligand_arguments(ligands),
        _option_arguments(options, _CENTRE_OPTIONS))
    return _record(values, header, row)


def report(path, centre, ligands=None, **options):
    """The text report of one centre, as the command line prints it (lines
    ended by "\\n"). Raises Error as analyse() does."""
    return _vexorin.report(str(path), str(centre), _ligand_arguments(ligands),
                           _option_arguments(options, _CENTRE_OPTIONS))


def survey(paths, **options):
    """The records of every metal centre (or of the elements= given) of the
    files, as ``vexorin --all --format=json`` writes them: a file, block or
    centre that fails gives a record with "error". Raises Error only for
    options the command line refuses."""
    if isinstance(paths, (str, bytes)) or hasattr(paths, "__fspath__"):
        paths = [paths]
    header, centres = _vexorin.survey([str(path) for path in paths],
                                      _option_arguments(options, _SURVEY_OPTIONS))
    return [_record(values, header, row) for values, row in centres]


def frame(records):
    """A pandas DataFrame with one row per record and the CSV's columns
    (those of ``--format=csv`` with the same options)."""
    import io

    import pandas

    records = list(records)
    if not records:
        return pandas.DataFrame()
    parts = []
    for header in dict.fromkeys(record.csv_header for record in records):
        rows = [record.csv_row for record in records if record.csv_header == header]
        parts.append(pandas.read_csv(io.StringIO("\n".join([header] + rows) + "\n"),
                                     keep_default_na=False, na_values=[""]))
    return parts[0] if len(parts) == 1 else pandas.concat(parts, ignore_index=True)


def shape_path(shape_a, shape_b, n=101):
    """The minimal-distortion path between two ideal shapes of one CN as n
    points (S(A), S(B)), from (0, S) to (S, 0), where S is the measure of
    either shape against the other (33.333 for SP-4 and T-4)."""
    return [tuple(point) for point in _vexorin.shape_path(str(shape_a), str(shape_b), int(n))]


def _measure(record, label):
    """The measure and su of a record's shape, or None."""
    measures = record.get("cshm") or {}
    entry = measures.get(label)
    if not entry or entry.get("value") is None:
        return None
    return entry["value"], entry.get("su") or 0.0


def shape_map(records, shape_a, shape_b, ax=None, path_points=101):
    """The shape map: S(A) against S(B) of every record that has both (run
    with shapes=...), with their su as error bars, and the minimal-distortion
    path between the two ideal shapes as a curve. Returns the matplotlib
    axes."""
    import matplotlib.pyplot as plt

    if ax is None:
        _, ax = plt.subplots()
    xs, ys, xerr, yerr = [], [], [], []
    for record in records:
        a, b = _measure(record, shape_a), _measure(record, shape_b)
        if a is None or b is None:
            continue
        xs.append(a[0]), xerr.append(a[1]), ys.append(b[0]), yerr.append(b[1])
    path = shape_path(shape_a, shape_b, path_points)
    ax.plot([p[0] for p in path], [p[1] for p in path], "-", color="0.5",
            label=f"{shape_a} - {shape_b} path")
    ax.errorbar(xs, ys, xerr=xerr, yerr=yerr, fmt="o", markersize=4, capsize=2,
                label=f"{len(xs)} centres")
    ax.set_xlabel(f"S({shape_a})")
    ax.set_ylabel(f"S({shape_b})")
    ax.set_xlim(left=0)
    ax.set_ylim(bottom=0)
    ax.legend()
    return ax


def tau_histogram(records, index="tau4", ax=None, bins=20):
    """A histogram of an index ("tau4", "tau4_prime" or "tau5") over the
    records that have it, from 0 to 1 (tau5 may pass 1). Returns the axes."""
    import matplotlib.pyplot as plt

    if index not in ("tau4", "tau4_prime", "tau5"):
        raise Error(f"unknown index: {index} (tau4, tau4_prime or tau5)")
    if ax is None:
        _, ax = plt.subplots()
    values = [record[index] for record in records if record.get(index) is not None]
    upper = max([1.0] + values)
    ax.hist(values, bins=bins, range=(0.0, upper))
    ax.set_xlabel(index.replace("_prime", "'"))
    ax.set_ylabel("centres")
    return ax
