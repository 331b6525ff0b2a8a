-- From schema version 2: the history also holds the closes and reopens of a month, which name
-- no position. The table of closed months, its routines and triggers are made after this step.
-- A journal older than the history gets the history whole after this step.
do $$
begin
    if to_regclass('accounts_dep.smena_log') is null then
        return;
    end if;
    alter table accounts_dep.smena_log drop constraint if exists smena_log_kind_check;
    alter table accounts_dep.smena_log add constraint smena_log_kind_check
        check (kind in ('insert', 'update', 'accept', 'divide', 'delete', 'close', 'reopen'));
    alter table accounts_dep.smena_log alter column id_smena drop not null;
    perform pg_temp.add_constraint('accounts_dep.smena_log', 'smena_log_position',
        'check ((id_smena is null) = (kind in (''close'', ''reopen'')))');
end $$;
