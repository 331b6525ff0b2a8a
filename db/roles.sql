-- Roles and rights of the journal.
--
-- Roles belong to the whole cluster and this file runs in every database of
-- it, so a role is created (with its password and memberships) only when it
-- is missing; an existing role keeps what it has. Rights are per database and
-- are granted every time.
--
-- The demo logins and their passwords are for private clusters (demo, tests,
-- benchmarks); a plant creates its own logins and passwords.

set password_encryption = 'scram-sha-256';

create function pg_temp.ensure_role(p_name text, p_options text, p_member_of text)
returns void language plpgsql as $$
begin
    if exists (select 1 from pg_roles where rolname = p_name) then
        return;
    end if;
    begin
        execute format('create role %I %s', p_name, p_options);
        if p_member_of is not null then
            execute format('grant %I to %I', p_member_of, p_name);
        end if;
    exception when duplicate_object or unique_violation then
        null;   -- created meanwhile by a load into another database
    end;
end $$;

do $$
begin
    -- the rights the program needs, given to every login of a user
    perform pg_temp.ensure_role('tabel_user', 'nologin', null);
    -- start-up account: only reads and raises the build stamp
    perform pg_temp.ensure_role('tab', 'login password ''qzx''', null);
    -- service account
    perform pg_temp.ensure_role('sys', 'login password ''wuvakem''', 'tabel_user');
    -- demo logins, each with its own name as password
    perform pg_temp.ensure_role(r, format('login password %L', r), 'tabel_user')
    from unnest(array['operator1', 'operator2', 'operator3', 'operator4', 'econom', 'master']) r;
end $$;

-- ERP side: read only
grant usage on schema cmn_contractor, hrms_movement, hrms_staffpos, mnf_doc,
                      cmn_gds_and_srv, mnf_operation, whs_stock to tabel_user;
grant select on all tables in schema cmn_contractor, hrms_movement, hrms_staffpos,
                      mnf_doc, cmn_gds_and_srv, mnf_operation, whs_stock to tabel_user;

-- the journal's schema: its own tables read and written, the ERP views read
grant usage on schema accounts_dep to tabel_user, tab;
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

grant select, update on accounts_dep.ver to tab;
