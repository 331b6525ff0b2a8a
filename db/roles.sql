-- Roles and rights of the journal.
--
-- The groups follow the program's role table, so the server refuses what the
-- program's buttons do not offer, whatever client a login uses:
--   tabel_user      master, operator4, sys: everything the program does
--   tabel_operator  operator1..3: reads, and accepts positions through the
--                   server routine only
--   tabel_reader    econom: reads the journal, the timesheet and the reports
--   tabel_closer    the payroll clerk (master and sys in the demo), beside a
--                   group above: closes and reopens a month through the two
--                   server routines only
-- Every login of a user, whatever its group, runs the version gate and so may
-- read, insert and update accounts_dep.ver, and read the schema's version.
--
-- Roles belong to the whole cluster and this file runs in every database of
-- it, also on clusters made by an earlier version of it. A missing role is
-- created; an existing one keeps its password and attributes. Rights are per
-- database: every right the journal's roles hold on the journal's schema and
-- on the ERP's is taken back and granted anew, so a right an earlier version
-- gave and this one does not is gone. Running the file again changes nothing.
--
-- A plant creates its own logins and puts each one into one of the groups; the
-- demo logins of the private clusters (demo, tests, benchmarks) are made by
-- demo_logins.sql.

set password_encryption = 'scram-sha-256';

do $$
declare
    groups constant text[] := array['tabel_user', 'tabel_operator', 'tabel_reader'];
begin
    perform pg_temp.ensure_role(g, 'nologin') from unnest(groups) g;
    -- an operator reads what a reader reads
    perform pg_temp.set_group('tabel_operator', 'tabel_reader', groups);
    -- owns the accepting routine; nobody logs in as it or is a member of it
    perform pg_temp.ensure_role('tabel_accept', 'nologin');
    -- writes the history of the positions; nobody logs in as it or is a member of it
    perform pg_temp.ensure_role('tabel_log', 'nologin');
    -- closes and reopens months for its members; it stands beside the groups above
    perform pg_temp.ensure_role('tabel_closer', 'nologin');
    -- owns the closing routines; nobody logs in as it or is a member of it
    perform pg_temp.ensure_role('tabel_close', 'nologin');
    -- owns the brigade's division; nobody logs in as it or is a member of it
    perform pg_temp.ensure_role('tabel_divide', 'nologin');
    -- start-up account: only reads and raises the build stamp; in no group. Made with the
    -- program's built-in password, which a plant changes (its workstations then read the new
    -- one from their settings file).
    perform pg_temp.ensure_role('tab', 'login password ''qzx''');
end $$;

-- ---------------------------------------------------------------- taken back

revoke all on schema accounts_dep
    from public, tabel_user, tabel_operator, tabel_reader, tabel_accept, tabel_log, tabel_divide,
         tabel_closer, tabel_close,
         tab;
revoke all on all tables in schema accounts_dep
    from public, tabel_user, tabel_operator, tabel_reader, tabel_accept, tabel_log, tabel_divide,
         tabel_closer, tabel_close,
         tab;
revoke all on all sequences in schema accounts_dep
    from public, tabel_user, tabel_operator, tabel_reader, tabel_accept, tabel_log, tabel_divide,
         tabel_closer, tabel_close,
         tab;
-- (tabel_accept, tabel_log, tabel_divide and tabel_close hold a routine only as its owner, whose
-- right stays)
revoke all on all functions in schema accounts_dep
    from public, tabel_user, tabel_operator, tabel_reader, tabel_closer, tab;
-- on the ERP side only the journal's own roles: its other rights are the plant's
revoke all on schema cmn_contractor, hrms_movement, hrms_staffpos, mnf_doc,
                     cmn_gds_and_srv, mnf_operation, whs_stock
    from tabel_user, tabel_operator, tabel_reader, tabel_accept, tabel_log, tabel_divide,
         tabel_closer, tabel_close, tab;
revoke all on all tables in schema cmn_contractor, hrms_movement, hrms_staffpos, mnf_doc,
                     cmn_gds_and_srv, mnf_operation, whs_stock
    from tabel_user, tabel_operator, tabel_reader, tabel_accept, tabel_log, tabel_divide,
         tabel_closer, tabel_close, tab;

-- ---------------------------------------------------------------- tabel_user

-- ERP side: read only
grant usage on schema cmn_contractor, hrms_movement, hrms_staffpos, mnf_doc,
                      cmn_gds_and_srv, mnf_operation, whs_stock to tabel_user;
grant select on all tables in schema cmn_contractor, hrms_movement, hrms_staffpos,
                      mnf_doc, cmn_gds_and_srv, mnf_operation, whs_stock to tabel_user;

-- the journal's schema: its own tables read and written, the ERP views read
grant usage on schema accounts_dep to tabel_user;
grant select, insert, update, delete on
    accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.izdel,
    accounts_dep.vid_oper, accounts_dep.oper, accounts_dep.norm,
    accounts_dep.smena_gds_use, accounts_dep.person_temp
    to tabel_user;
grant select, insert, update on accounts_dep.ver to tabel_user;
grant select on accounts_dep.schema_version to tabel_user;
grant select on accounts_dep.v_mnf_requisition, accounts_dep.v_mnf_requisition_item,
                accounts_dep.v_mnf_req_gds, accounts_dep.v_mnf_open_line to tabel_user;
grant usage on all sequences in schema accounts_dep to tabel_user;

-- routines: only for users (functions are executable by everyone by default)
revoke execute on all functions in schema accounts_dep from public;
grant execute on all functions in schema accounts_dep to tabel_user;

-- ---------------------------------------------------------------- tabel_reader

-- What the journal, the timesheet and the reports read (the journal also counts
-- a position's material rows before accepting it), and the version gate.
grant usage on schema accounts_dep, cmn_contractor, cmn_gds_and_srv, mnf_doc to tabel_reader;
grant select on
    accounts_dep.smena, accounts_dep.smena_gds_use, accounts_dep.h_tabel,
    accounts_dep.izdel, accounts_dep.oper, accounts_dep.vid_oper, accounts_dep.norm,
    cmn_contractor.person, cmn_gds_and_srv.gds_and_srv, mnf_doc.doc
    to tabel_reader;
grant select, insert, update on accounts_dep.ver to tabel_reader;
grant select on accounts_dep.schema_version to tabel_reader;

-- ---------------------------------------------------------------- tabel_operator

-- Operators accept but may not write the journal. A right to update smena.ok
-- and prize would let them set any state and bonus by hand; the routine sets
-- only what its rule gives. It therefore runs with the rights of its owner,
-- which may change nothing but those two columns, with a fixed search_path so
-- that a caller's objects cannot stand in for the ones it uses.
grant usage on schema accounts_dep to tabel_accept;
grant select on accounts_dep.smena, accounts_dep.norm to tabel_accept;
grant update (ok, prize) on accounts_dep.smena to tabel_accept;
alter function accounts_dep.smena__accept_row_hwo(bigint) owner to tabel_accept;
alter function accounts_dep.smena__accept_row_hwo(bigint)
    security definer set search_path = pg_catalog, pg_temp;
revoke execute on function accounts_dep.smena__accept_row_hwo(bigint) from public;
grant execute on function accounts_dep.smena__accept_row_hwo(bigint) to tabel_operator, tabel_user;

-- ---------------------------------------------------------------- the brigade's division

-- The division runs with the rights of its owner, which may write what the division writes
-- and nothing more: the history takes a row written as this role for one the division wrote
-- (70_smena_history.sql), and no login can act as it. Users run it (operators may not).
grant usage on schema accounts_dep, cmn_contractor to tabel_divide;
grant select on accounts_dep.smena, accounts_dep.person_temp, cmn_contractor.person
    to tabel_divide;
grant insert (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod, prize,
              id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use, id_smena_from),
      update (kol_vo, brak)
    on accounts_dep.smena to tabel_divide;
grant delete on accounts_dep.person_temp to tabel_divide;
grant select, insert, update on accounts_dep.h_tabel to tabel_divide;
grant usage on sequence accounts_dep.smena_id_seq, accounts_dep.h_tabel_id_seq to tabel_divide;
alter function accounts_dep.divide_between_person(bigint) owner to tabel_divide;
alter function accounts_dep.divide_between_person(bigint)
    security definer set search_path = pg_catalog, pg_temp;
revoke execute on function accounts_dep.divide_between_person(bigint) from public;
grant execute on function accounts_dep.divide_between_person(bigint) to tabel_user;

-- ---------------------------------------------------------------- the history

-- Read by users and readers (operators through readers); written only by the trigger,
-- which runs as tabel_log; changed and deleted by nobody.
revoke all on accounts_dep.smena_log from public;
revoke all on sequence accounts_dep.smena_log_id_seq from public, tabel_user;
grant select on accounts_dep.smena_log to tabel_user, tabel_reader;
grant usage on schema accounts_dep to tabel_log;
grant insert on accounts_dep.smena_log to tabel_log;
grant usage on sequence accounts_dep.smena_log_id_seq to tabel_log;
alter function accounts_dep.smena_log_row() owner to tabel_log;
revoke execute on function accounts_dep.smena_log_row() from public, tabel_user;

-- ---------------------------------------------------------------- closed months

-- Everyone reads which months are closed: the journal and the timesheet show it, and the check
-- of a write runs as the writer (the acceptance and the division as their owners). Only the
-- two routines write the table and the closes into the history; they run as tabel_close, and
-- tabel_closer's members call them. The repeatable-read probe runs as tabel_close too.
grant select on accounts_dep.closed_month to public;
grant usage on schema accounts_dep to tabel_closer, tabel_close;
grant select, insert, delete on accounts_dep.closed_month to tabel_close;
grant insert on accounts_dep.smena_log to tabel_close;
grant usage on sequence accounts_dep.smena_log_id_seq to tabel_close;
do $$
declare
    f text;
begin
    foreach f in array array['close_month(integer, integer)', 'reopen_month(integer, integer)',
                             'closed_month_since_snapshot(integer, integer)'] loop
        execute format('alter function accounts_dep.%s owner to tabel_close', f);
        execute format('alter function accounts_dep.%s security definer '
                       'set search_path = pg_catalog, pg_temp', f);
        execute format('revoke execute on function accounts_dep.%s from public, tabel_user', f);
    end loop;
end $$;
grant execute on function accounts_dep.close_month(integer, integer),
                          accounts_dep.reopen_month(integer, integer) to tabel_closer;
-- Every writer's check may probe under repeatable read, and so may the operators' acceptance.
grant execute on function accounts_dep.closed_month_since_snapshot(integer, integer),
                          accounts_dep.month_check(date) to public;

-- ---------------------------------------------------------------- tab

grant usage on schema accounts_dep to tab;
grant select, update on accounts_dep.ver to tab;
grant select on accounts_dep.schema_version to tab;
