-- The demo logins of the private clusters (demo, tests, benchmarks), each in its group, and
-- the service account. Never loaded on a plant's server: their passwords are known.
-- Runs after roles.sql; an existing login keeps its password and is put into its group.

set password_encryption = 'scram-sha-256';

do $$
declare
    groups constant text[] := array['tabel_user', 'tabel_operator', 'tabel_reader'];
    login text;
begin
    -- service account
    perform pg_temp.ensure_role('sys', 'login password ''wuvakem''');
    -- each with its own name as password
    foreach login in array array['operator1', 'operator2', 'operator3', 'operator4',
                                 'econom', 'master'] loop
        perform pg_temp.ensure_role(login, format('login password %L', login));
    end loop;

    perform pg_temp.set_group(l, 'tabel_user', groups)
    from unnest(array['master', 'operator4', 'sys']) l;
    perform pg_temp.set_group(l, 'tabel_operator', groups)
    from unnest(array['operator1', 'operator2', 'operator3']) l;
    perform pg_temp.set_group('econom', 'tabel_reader', groups);
    -- the payroll clerks, beside their group
    perform pg_temp.set_group(l, 'tabel_closer', array['tabel_closer'])
    from unnest(array['master', 'sys']) l;
end $$;
