"""The files in the run's folder that hold the list columns of the vectors
file (a memory's contents, a stream's values), one per column, in the order
of the columns: each memory's input and output, then each stream."""


def list_file(entity, k):
    """The file of the k-th list column (from 0)."""
    return f"{entity.lower()}_list{k}.txt"
