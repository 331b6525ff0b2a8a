-- Roles and rights of the journal.
--
-- The groups follow the program's role table, so the server refuses what the
-- program's buttons do not offer, whatever client a login uses:
--   tabel_user      master, operator4, sys: everything the program does
--   tabel_operator  operator1..3: reads, and accepts positions through the
--                   server routine only
--   tabel_reader    econom: reads the journal, the timesheet and the reports
-- Every login of a user, whatever its group, runs the version gate and so may
-- read, insert and update accounts_dep.ver.
--
-- Roles belong to the whole cluster and this file runs in every database of
-- it, also on clusters made by an earlier version of it. A missing role is
-- created with its password; an existing one keeps its password but is put
-- into its group and taken out of the journal's other groups. Rights are per
-- database and are granted every time. Running the file again changes nothing.
--
-- The demo logins and their passwords are for private clusters (demo, tests,
-- benchmarks); a plant creates its own logins and passwords and puts each one
-- into one of the groups.

set password_encryption = 'scram-sha-256';

create or replace function pg_temp.ensure_role(p_name text, p_options text)
returns void language plpgsql as $$
begin
    if exists (select 1 from pg_roles where rolname = p_name) then
        return;
    end if;
    begin
        execute format('create role %I %s', p_name, p_options);
    exception when duplicate_object or unique_violation then
        null;   -- created meanwhile by a load into another database
    end;
end $$;

create or replace function pg_temp.is_direct_member(p_member text, p_group text)
returns boolean language sql stable as $$
    select exists (select 1 from pg_auth_members m
                   join pg_roles g on g.oid = m.roleid
                   join pg_roles r on r.oid = m.member
                   where g.rolname = p_group and r.rolname = p_member)
$$;

-- Makes p_member a direct member of p_group and of no other of the groups in
-- p_others (its membership through another group does not count).
create or replace function pg_temp.set_group(p_member text, p_group text, p_others text[])
returns void language plpgsql as $$
declare
    other text;
begin
    foreach other in array p_others loop
        if other <> p_group and pg_temp.is_direct_member(p_member, other) then
            execute format('revoke %I from %I', other, p_member);
        end if;
    end loop;
    if not pg_temp.is_direct_member(p_member, p_group) then
        begin
            execute format('grant %I to %I', p_group, p_member);
        exception when duplicate_object or unique_violation then
            null;   -- granted meanwhile by a load into another database
        end;
    end if;
end $$;

do $$
declare
    groups constant text[] := array['tabel_user', 'tabel_operator', 'tabel_reader'];
    login text;
begin
    perform pg_temp.ensure_role(g, 'nologin') from unnest(groups) g;
    -- an operator reads what a reader reads
    perform pg_temp.set_group('tabel_operator', 'tabel_reader', groups);
    -- owns the accepting routine; nobody logs in as it or is a member of it
    perform pg_temp.ensure_role('tabel_accept', 'nologin');
    -- writes the history of the positions; nobody logs in as it or is a member of it
    perform pg_temp.ensure_role('tabel_log', 'nologin');

    -- start-up account: only reads and raises the build stamp; in no group
    perform pg_temp.ensure_role('tab', 'login password ''qzx''');
    -- service account
    perform pg_temp.ensure_role('sys', 'login password ''wuvakem''');
    -- demo logins, each with its own name as password
    foreach login in array array['operator1', 'operator2', 'operator3', 'operator4',
                                 'econom', 'master'] loop
        perform pg_temp.ensure_role(login, format('login password %L', login));
    end loop;

    perform pg_temp.set_group(l, 'tabel_user', groups)
    from unnest(array['master', 'operator4', 'sys']) l;
    perform pg_temp.set_group(l, 'tabel_operator', groups)
    from unnest(array['operator1', 'operator2', 'operator3']) l;
    perform pg_temp.set_group('econom', 'tabel_reader', groups);
end $$;

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

-- ---------------------------------------------------------------- tab

grant usage on schema accounts_dep to tab;
grant select, update on accounts_dep.ver to tab;
