-- From schema version 1: the brigade's division runs as a role of its own, by which the
-- history knows its rows, and the journal and the timesheet refuse TRUNCATE. None of it
-- changes a table's shape: the routines,
-- triggers and rights are made again after this step, and a workstation of the earlier
-- version, which would still take a forged division for a real one, is refused by the
-- schema version.
select 1;
