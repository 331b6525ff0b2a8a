-- From a journal made before the schema had a version: the layouts before it differ among
-- themselves, so each change is made only where it is missing.

-- A brigade member's copy remembers the position it was divided from.
alter table accounts_dep.smena
    add column if not exists id_smena_from integer
        references accounts_dep.smena (id) on delete set null;

-- The views over the requisitions changed their columns; they hold no rows and are made
-- again after this step.
drop view if exists accounts_dep.v_mnf_req_gds, accounts_dep.v_mnf_requisition_item,
                    accounts_dep.v_mnf_open_line, accounts_dep.v_mnf_requisition;
